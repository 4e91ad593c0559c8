// Reads a picture the program wrote back as pixels, to compare with what went in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Pixels of a BMP or JPEG file as 8-bit RGB triples, top row first. False
// when it cannot be read.
bool LoadPictureRgb(const std::string& path, int& width, int& height, std::vector<std::uint8_t>& rgb);

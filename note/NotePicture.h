// The note picture: a screen copy of the note window written as "Note.bmp",
// for JPEG also "Note24.bmp" and "Note.jpg", in NotePictureFolder(). The
// senders attach it, "Save note as picture" copies it out.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Copies the note window as the screen shows it into a DIB block
// (BITMAPINFOHEADER, colour table, rows): the screen's depth, 16 bits for a
// 24-bit screen. False when any step fails.
bool CaptureWindowDib(HWND window, std::vector<std::uint8_t>& dib);

// Makes "Note.bmp" of the note window and, for format "jpg", "Note24.bmp"
// and "Note.jpg". The path of the picture in that format when every file it
// needs was written, "" otherwise. The callers DeleteNotePictureFiles
// afterwards.
std::string CreateNotePicture(HWND note, const std::string& format);
// CreateNotePicture, the result copied over target, the temporary files
// deleted (also after a failure). True when the target was written.
bool SaveNotePicture(const std::string& target, const std::string& format, HWND note);
// Deletes whichever temporary picture files exist; names the ones that
// could not be deleted in a message.
void DeleteNotePictureFiles();

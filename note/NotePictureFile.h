// The note's files outside the data file, as far as no window is needed:
// the note picture (the captured DIB written as a BMP file, its 24-bit
// conversion and the JPEG made from that), the names the file dialogs
// propose, the messages and questions of the file commands, and how a note's
// text is written to and read from a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Picture format names as the settings and the dialog's extension give them.
constexpr char kPictureFormatBmp[] = "bmp";
constexpr char kPictureFormatJpg[] = "jpg";

// The quality the JPEG is written with.
constexpr int kNoteJpegQuality = 75;

// File dialog filters, '|' between the parts and after the last one.
constexpr char kOpenFileFilter[] =
    "Text Document (*.txt)|*.txt|Rich Text Format (*.rtf)|*.rtf|Supported text files (*.txt;*.rtf)|*.txt;*.rtf|";
constexpr char kSaveFileFilter[] =
    "Text Document (*.txt)|*.txt|Rich Text Format (*.rtf)|*.rtf|Word Document (*.doc)|*.doc|";
constexpr char kSavePictureFilter[] = "Windows bitmap (*.bmp)|*.bmp|JPEG (*.jpg)|*.jpg|";

// Messages of the file commands.
constexpr char kCanNotOpenFile[] = "Can not open file";
constexpr char kCanNotCreateFile[] = "Can not create and save file";
constexpr char kPictureSaveFailed[] = "Error creating note picture file. Save note as picture file fails.";
constexpr char kPictureDeleteFailed[] = "Error deleting temporary note picture file(s).";
constexpr char kPrintDocumentName[] = "Pinwell Print Note";

// "<what> ''<path>''": the path between doubled apostrophes.
std::string FileProblemMessage(const std::string& what, const std::string& path);
// The names left over, each followed by a blank, then a blank and the text.
std::string PictureDeleteMessage(const std::string& leftOver);

// The question when "Save note as ..." picks an existing file; fileName is
// the name without its folder. A text file may be appended to ("No").
std::string ExistingTextFileQuestion(const std::string& fileName);
std::string ExistingFileQuestion(const std::string& fileName);

// The title as a file name the dialogs can propose. A sender chooses the
// title, and "\\host\share\x" or "..\..\x" proposed as they stand would be a
// path (a network one makes Windows contact that host with the user's
// credentials): colons go, separators, wildcards and control characters
// become "_", leading dots and blanks go, and the name stays short.
constexpr std::size_t kLongestProposedName = 100;
std::string BareFileName(const std::string& title);
// The names "Save note as ..." and "Save note as picture" propose.
std::string TextFileDefaultName(const std::string& title);
std::string PictureFileDefaultName(const std::string& title);

// The extension of a path (after the last dot of its last part), lower-case;
// empty without one.
std::string LowerExtension(const std::string& path);
// The last part of a path (after the last '\' or '/').
std::string FileNameOf(const std::string& path);
// folder + the separator of this system + name.
std::string JoinPath(const std::string& folder, const std::string& name);

// A '|'-separated filter as the file dialog takes it: each '|' becomes a NUL
// and the whole ends in two NULs.
std::string DialogFilter(const char* barFilter);

// ---- Writing and reading a note's text --------------------------------------------

// The plain body as "Save note as ..." writes it: carriage returns removed,
// and when appending an empty line before it.
std::string PlainTextForSave(const std::string& plainBody, bool appending);
// Line feeds not already after a carriage return get one, as a file written
// in text mode on Windows has them.
std::string WithCrLf(const std::string& text);
// Writes content to path, replacing the file or appending to it. False when
// the file cannot be opened or written.
bool WriteTextFile(const std::string& path, const std::string& content, bool append);
// The whole file. False when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& content);

// ---- The picture files ---------------------------------------------------------------

// The depth of the note picture for a screen: bits per pixel times planes,
// except that a 24-bit screen gives a 16-bit picture.
int PictureBitsForScreen(int bitsPerPixel, int planes);

// Bytes of the colour table that follows a BITMAPINFOHEADER with these
// values: the entries of a palette picture, the three masks of a bit-field
// one, none otherwise.
std::size_t DibColorTableBytes(int bitCount, std::uint32_t compression, std::uint32_t colorsUsed);

// Writes a DIB block (BITMAPINFOHEADER, colour table, pixel rows) as a BMP
// file: the 14-byte file header in front, its pixel offset past the colour
// table. False for a block whose header does not describe it, or when the
// file cannot be written.
bool WriteDibAsBmpFile(const std::string& path, const std::vector<std::uint8_t>& dib);

// Converts an uncompressed 4-, 8-, 16- (5-5-5), 24- or 32-bit BMP file to a
// 24-bit one, a block of at most 100 rows at a time. False, leaving no
// target, for anything else, a damaged or truncated source or a write error.
bool ConvertBmpTo24Bit(const std::string& sourcePath, const std::string& targetPath);

// Loads a 24-bit BMP file and writes it as a JPEG of quality kNoteJpegQuality.
bool SaveBmpAsJpeg(const std::string& bmpPath, const std::string& jpegPath);

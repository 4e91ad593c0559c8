#include "note/NotePictureFile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

// The image library is header-only; its functions stay private to this file.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_ONLY_JPEG
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include "stb_image.h"
#include "stb_image_write.h"
#pragma GCC diagnostic pop

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
// Bigger than any screen a note can be on; a header claiming more is damaged,
// and trusting it would mean allocating without bound.
constexpr std::int64_t kMaxSide = 16384;
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 25;
// Room for the biggest colour table a header with gap may announce (65,536
// empty entries of a 16-bit picture) and some more.
constexpr std::int64_t kMaxHeaderArea = 1 << 20;
constexpr int kRowsPerBlock = 100;

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenFile(const std::string& path, const char* mode) { return File(std::fopen(path.c_str(), mode)); }

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t I32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }

void Put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::int64_t RowBytes(std::int64_t width, int bits) { return ((width * bits + 31) / 32) * 4; }

bool SaneSize(std::int64_t width, std::int64_t rows) {
    return width > 0 && rows > 0 && width <= kMaxSide && rows <= kMaxSide && width * rows <= kMaxPixels;
}

bool WriteAll(std::FILE* f, const void* data, std::size_t size) {
    return size == 0 || std::fwrite(data, 1, size, f) == size;
}

bool ReadAll(std::FILE* f, void* data, std::size_t size) {
    return size == 0 || std::fread(data, 1, size, f) == size;
}

// The size of an open file, or -1.
std::int64_t FileSize(std::FILE* f) {
    if (std::fseek(f, 0, SEEK_END) != 0) return -1;
    const long size = std::ftell(f);
    if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) return -1;
    return size;
}

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

// One source row into target blue-green-red triples.
void ConvertRow(const std::uint8_t* src, std::uint8_t* dst, std::int64_t width, int bits, const Rgb* palette) {
    for (std::int64_t x = 0; x < width; ++x) {
        Rgb c;
        switch (bits) {
        case 4: {
            const std::uint8_t byte = src[x / 2];
            c = palette[(x % 2 == 0) ? (byte >> 4) : (byte & 0x0F)];
            break;
        }
        case 8: c = palette[src[x]]; break;
        case 16: {
            // 5-5-5: each channel moved to the top of its byte, nothing added,
            // so full intensity is 248.
            const std::uint16_t v = U16(src + 2 * x);
            c.r = static_cast<std::uint8_t>(((v >> 10) & 0x1F) << 3);
            c.g = static_cast<std::uint8_t>(((v >> 5) & 0x1F) << 3);
            c.b = static_cast<std::uint8_t>((v & 0x1F) << 3);
            break;
        }
        case 24: c = {src[3 * x + 2], src[3 * x + 1], src[3 * x]}; break;
        case 32: c = {src[4 * x + 2], src[4 * x + 1], src[4 * x]}; break;
        default: break;
        }
        dst[3 * x] = c.b;
        dst[3 * x + 1] = c.g;
        dst[3 * x + 2] = c.r;
    }
}

bool ConvertInto(std::FILE* in, std::FILE* out) {
    const std::int64_t fileSize = FileSize(in);
    std::uint8_t fileHeader[kFileHeaderBytes];
    if (fileSize < 0 || !ReadAll(in, fileHeader, sizeof fileHeader)) return false;
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') return false;
    const std::int64_t offset = U32(fileHeader + 10);
    if (offset < static_cast<std::int64_t>(kFileHeaderBytes + kInfoHeaderBytes) || offset > fileSize ||
        offset - static_cast<std::int64_t>(kFileHeaderBytes) > kMaxHeaderArea)
        return false;

    std::vector<std::uint8_t> header(static_cast<std::size_t>(offset) - kFileHeaderBytes);
    if (!ReadAll(in, header.data(), header.size())) return false;
    const std::uint32_t infoSize = U32(header.data());
    if (infoSize < kInfoHeaderBytes || infoSize > header.size()) return false;
    const std::int64_t width = I32(header.data() + 4);
    const std::int32_t height = I32(header.data() + 8);
    const int bits = U16(header.data() + 14);
    const std::uint32_t compression = U32(header.data() + 16);
    const std::uint32_t colorsUsed = U32(header.data() + 32);
    if (compression != kBiRgb) return false;
    if (bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    const std::int64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    if (!SaneSize(width, rows)) return false;

    Rgb palette[256];
    if (bits <= 8) {
        const std::size_t wanted = std::min<std::size_t>(colorsUsed ? colorsUsed : (1u << bits), 1u << bits);
        const std::size_t present = std::min(wanted, (header.size() - infoSize) / 4);
        for (std::size_t i = 0; i < present; ++i) {
            const std::uint8_t* q = header.data() + infoSize + 4 * i;
            palette[i] = {q[2], q[1], q[0]};
        }
    }

    const std::int64_t sourceRow = RowBytes(width, bits);
    if (offset + sourceRow * rows > fileSize) return false;  // cut short
    const std::int64_t targetRow = RowBytes(width, 24);
    const std::int64_t imageSize = targetRow * rows;

    std::uint8_t out54[kFileHeaderBytes + kInfoHeaderBytes] = {};
    out54[0] = 'B';
    out54[1] = 'M';
    Put32(out54 + 2, static_cast<std::uint32_t>(sizeof out54 + imageSize));
    Put32(out54 + 10, static_cast<std::uint32_t>(sizeof out54));
    std::uint8_t* info = out54 + kFileHeaderBytes;
    Put32(info, kInfoHeaderBytes);
    Put32(info + 4, static_cast<std::uint32_t>(width));
    Put32(info + 8, static_cast<std::uint32_t>(height));  // a top-down source stays top-down
    Put16(info + 12, 1);
    Put16(info + 14, 24);
    Put32(info + 16, kBiRgb);
    Put32(info + 20, static_cast<std::uint32_t>(imageSize));
    std::memcpy(info + 24, header.data() + 24, 8);  // resolution as the source has it
    if (!WriteAll(out, out54, sizeof out54)) return false;

    const std::int64_t blockRows = std::min<std::int64_t>(kRowsPerBlock, rows);
    std::vector<std::uint8_t> source(static_cast<std::size_t>(sourceRow * blockRows));
    std::vector<std::uint8_t> target(static_cast<std::size_t>(targetRow * blockRows));
    for (std::int64_t done = 0; done < rows;) {
        const std::int64_t n = std::min<std::int64_t>(blockRows, rows - done);
        if (!ReadAll(in, source.data(), static_cast<std::size_t>(sourceRow * n))) return false;
        std::fill(target.begin(), target.end(), std::uint8_t{0});
        for (std::int64_t y = 0; y < n; ++y)
            ConvertRow(source.data() + y * sourceRow, target.data() + y * targetRow, width, bits, palette);
        if (!WriteAll(out, target.data(), static_cast<std::size_t>(targetRow * n))) return false;
        done += n;
    }
    return true;
}

}  // namespace

// ---- Texts and names ---------------------------------------------------------------

std::string FileProblemMessage(const std::string& what, const std::string& path) {
    return what + " ''" + path + "''";
}

std::string PictureDeleteMessage(const std::string& leftOver) { return leftOver + " " + kPictureDeleteFailed; }

std::string ExistingTextFileQuestion(const std::string& fileName) {
    return "Selected file \"" + fileName +
           "\" already exist.\nIf you want to Append existing file click \"No\".\n"
           "Do you want to Replace and delete contents of the existing file ?";
}

std::string ExistingFileQuestion(const std::string& fileName) {
    return "Selected file \"" + fileName +
           "\" already exist.\nDo you want to Replace and delete contents of the existing file ?";
}

std::string BareFileName(const std::string& title) {
    std::string name;
    name.reserve(std::min<std::size_t>(title.size(), kLongestProposedName));
    for (char c : title) {
        if (name.size() == kLongestProposedName) break;
        const auto u = static_cast<unsigned char>(c);
        if (c == ':') continue;  // "HOST 12:34" has always been proposed as "HOST 1234"
        const bool forbidden = u < 0x20 || u == 0x7F || std::strchr("\\/*?\"<>|", c) != nullptr;
        if (name.empty() && (c == '.' || c == ' ' || forbidden)) continue;
        name += forbidden ? '_' : c;
    }
    // Windows drops trailing dots and blanks itself; a name of only those is none.
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    return name;
}

std::string TextFileDefaultName(const std::string& title) { return BareFileName(title); }

std::string PictureFileDefaultName(const std::string& title) { return BareFileName(title); }

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string LowerExtension(const std::string& path) {
    const std::string name = FileNameOf(path);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) return {};
    std::string ext = name.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
#ifdef _WIN32
    return folder + "\\" + name;
#else
    return folder + "/" + name;
#endif
}

std::string DialogFilter(const char* barFilter) {
    std::string filter = barFilter;
    std::replace(filter.begin(), filter.end(), '|', '\0');
    filter.push_back('\0');
    return filter;
}

// ---- Text files ----------------------------------------------------------------------

std::string PlainTextForSave(const std::string& plainBody, bool appending) {
    std::string text = appending ? "\n\n" : "";
    for (char c : plainBody)
        if (c != '\r') text.push_back(c);
    return text;
}

std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out.push_back('\r');
        out.push_back(text[i]);
    }
    return out;
}

bool WriteTextFile(const std::string& path, const std::string& content, bool append) {
    File f = OpenFile(path, append ? "ab" : "wb");
    if (!f) return false;
    const bool written = WriteAll(f.get(), content.data(), content.size());
    return std::fclose(f.release()) == 0 && written;
}

bool ReadWholeFile(const std::string& path, std::string& content) {
    File f = OpenFile(path, "rb");
    if (!f) return false;
    std::string text;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) text.append(buf, n);
    if (std::ferror(f.get())) return false;
    content = std::move(text);
    return true;
}

// ---- Pictures ------------------------------------------------------------------------

int PictureBitsForScreen(int bitsPerPixel, int planes) {
    const int bits = bitsPerPixel * planes;
    return bits == 24 ? 16 : bits;
}

std::size_t DibColorTableBytes(int bitCount, std::uint32_t compression, std::uint32_t colorsUsed) {
    if (bitCount >= 1 && bitCount <= 8) {
        const std::uint32_t full = 1u << bitCount;
        return 4 * static_cast<std::size_t>(colorsUsed && colorsUsed < full ? colorsUsed : full);
    }
    if (compression == kBiBitfields && (bitCount == 16 || bitCount == 32)) return 12;
    return 0;
}

bool WriteDibAsBmpFile(const std::string& path, const std::vector<std::uint8_t>& dib) {
    if (dib.size() < kInfoHeaderBytes) return false;
    const std::uint32_t infoSize = U32(dib.data());
    if (infoSize < kInfoHeaderBytes || infoSize > dib.size()) return false;
    const std::int64_t width = I32(dib.data() + 4);
    const std::int32_t height = I32(dib.data() + 8);
    const int bits = U16(dib.data() + 14);
    const std::uint32_t compression = U32(dib.data() + 16);
    const std::int64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    if (bits <= 0 || bits > 32 || !SaneSize(width, rows)) return false;
    const std::size_t table = DibColorTableBytes(bits, compression, U32(dib.data() + 32));
    const std::int64_t pixels = compression == kBiRgb || compression == kBiBitfields ? RowBytes(width, bits) * rows : 0;
    if (static_cast<std::int64_t>(infoSize + table) + pixels > static_cast<std::int64_t>(dib.size())) return false;
    if (kFileHeaderBytes + dib.size() > std::numeric_limits<std::uint32_t>::max()) return false;

    std::uint8_t fileHeader[kFileHeaderBytes] = {};
    fileHeader[0] = 'B';  // together with 'M': 19778
    fileHeader[1] = 'M';
    Put32(fileHeader + 2, static_cast<std::uint32_t>(kFileHeaderBytes + dib.size()));
    Put32(fileHeader + 10, static_cast<std::uint32_t>(kFileHeaderBytes + infoSize + table));

    File f = OpenFile(path, "wb");
    if (!f) return false;
    const bool written = WriteAll(f.get(), fileHeader, sizeof fileHeader) && WriteAll(f.get(), dib.data(), dib.size());
    if (std::fclose(f.release()) != 0 || !written) {
        std::remove(path.c_str());
        return false;
    }
    return true;
}

bool ConvertBmpTo24Bit(const std::string& sourcePath, const std::string& targetPath) {
    File in = OpenFile(sourcePath, "rb");
    if (!in) return false;
    File out = OpenFile(targetPath, "wb");
    if (!out) return false;
    bool ok = ConvertInto(in.get(), out.get());
    if (std::fclose(out.release()) != 0) ok = false;
    // Half a picture must not be mistaken for one later.
    if (!ok) std::remove(targetPath.c_str());
    return ok;
}

bool SaveBmpAsJpeg(const std::string& bmpPath, const std::string& jpegPath) {
    int width = 0, height = 0, channels = 0;
    {
        // The library would take any size a header claims.
        File probe = OpenFile(bmpPath, "rb");
        if (!probe || !stbi_info_from_file(probe.get(), &width, &height, &channels)) return false;
        if (!SaneSize(width, height)) return false;
    }
    stbi_uc* pixels = stbi_load(bmpPath.c_str(), &width, &height, &channels, 3);
    if (!pixels) return false;
    const int ok = stbi_write_jpg(jpegPath.c_str(), width, height, 3, pixels, kNoteJpegQuality);
    stbi_image_free(pixels);
    if (!ok) std::remove(jpegPath.c_str());
    return ok != 0;
}

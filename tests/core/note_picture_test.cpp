// The note picture files and the texts of the file commands: BMP writing,
// the 24-bit conversion from every depth a screen gives, the JPEG, damaged
// input, and the names and messages the commands use.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "note/NotePictureFile.h"
#include "PictureRgb.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
struct Colour {
    int r, g, b;
};

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t Get16(const Bytes& b, std::size_t at) { return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8)); }

std::size_t RowBytes(int width, int bits) { return ((width * bits + 31) / 32) * 4; }

// A DIB block (info header, palette, rows bottom-up) whose rows come from
// pixel(x, y, rowBytes) writing into the row; padding left as garbage 0xAB so
// that a converter copying it would be caught.
Bytes MakeDib(int width, int height, int bits, const std::vector<Colour>& palette,
              const std::function<void(std::uint8_t* row, int y)>& fillRow, std::uint32_t compression = 0) {
    const std::size_t row = RowBytes(width, bits);
    const std::size_t table = palette.size() * 4;
    Bytes dib(40 + table + row * height, 0);
    Put32(dib, 0, 40);
    Put32(dib, 4, static_cast<std::uint32_t>(width));
    Put32(dib, 8, static_cast<std::uint32_t>(height));
    Put16(dib, 12, 1);
    Put16(dib, 14, static_cast<std::uint32_t>(bits));
    Put32(dib, 16, compression);
    Put32(dib, 20, static_cast<std::uint32_t>(row * height));
    Put32(dib, 32, static_cast<std::uint32_t>(palette.size() < (1u << (bits > 8 ? 0 : bits)) ? palette.size() : 0));
    for (std::size_t i = 0; i < palette.size(); ++i) {
        dib[40 + 4 * i] = static_cast<std::uint8_t>(palette[i].b);
        dib[40 + 4 * i + 1] = static_cast<std::uint8_t>(palette[i].g);
        dib[40 + 4 * i + 2] = static_cast<std::uint8_t>(palette[i].r);
    }
    for (int y = 0; y < height; ++y) {
        std::uint8_t* r = dib.data() + 40 + table + row * y;
        std::fill(r, r + row, std::uint8_t{0xAB});
        fillRow(r, y);
    }
    return dib;
}

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The pixel (x, y) of a 24-bit BMP, y counted from the bottom row.
Colour Pixel24(const Bytes& bmp, int width, int x, int y) {
    const std::size_t at = Get32(bmp, 10) + RowBytes(width, 24) * y + 3 * x;
    return {bmp[at + 2], bmp[at + 1], bmp[at]};
}

::testing::AssertionResult IsRgb(const Colour& c, int r, int g, int b) {
    if (c.r == r && c.g == g && c.b == b) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "colour " << c.r << "," << c.g << "," << c.b << " expected " << r << ","
                                         << g << "," << b;
}

class NotePictureTest : public DataFolderTest {
protected:
    std::string PathOf(const char* name) const { return (dir_ / name).string(); }

    // Writes the DIB as Note.bmp, converts it to Note24.bmp and returns that.
    Bytes Converted(const Bytes& dib) {
        EXPECT_TRUE(WriteDibAsBmpFile(PathOf("Note.bmp"), dib));
        EXPECT_TRUE(ConvertBmpTo24Bit(PathOf("Note.bmp"), PathOf("Note24.bmp")));
        return ReadBytes(PathOf("Note24.bmp"));
    }

    // A conversion that must fail and leave no target behind.
    void ExpectRefused(const Bytes& file, const char* why) {
        WriteBytes(PathOf("bad.bmp"), file);
        EXPECT_FALSE(ConvertBmpTo24Bit(PathOf("bad.bmp"), PathOf("out.bmp"))) << why;
        EXPECT_FALSE(std::filesystem::exists(PathOf("out.bmp"))) << why;
    }

    // A good 16-bit file to damage.
    Bytes GoodFile() {
        const Bytes dib = MakeDib(5, 3, 16, {}, [](std::uint8_t* r, int) { std::fill(r, r + 10, std::uint8_t{0xFF}); });
        EXPECT_TRUE(WriteDibAsBmpFile(PathOf("good.bmp"), dib));
        return ReadBytes(PathOf("good.bmp"));
    }
};

TEST_F(NotePictureTest, BmpFileHeaderPointsPastTheColourTable) {
    // 16 bits: no table, pixels right after the 54 header bytes.
    const Bytes dib16 = MakeDib(3, 2, 16, {}, [](std::uint8_t* r, int) { std::fill(r, r + 6, std::uint8_t{0}); });
    ASSERT_TRUE(WriteDibAsBmpFile(PathOf("a.bmp"), dib16));
    Bytes file = ReadBytes(PathOf("a.bmp"));
    ASSERT_EQ(file.size(), 14 + dib16.size());
    EXPECT_EQ(Get16(file, 0), 19778);
    EXPECT_EQ(Get32(file, 2), 14 + dib16.size());
    EXPECT_EQ(Get32(file, 6), 0u);  // both reserved words
    EXPECT_EQ(Get32(file, 10), 54u);
    EXPECT_TRUE(std::equal(dib16.begin(), dib16.end(), file.begin() + 14));

    // 8 bits with a full palette: 256 entries between header and pixels.
    std::vector<Colour> grey(256);
    for (int i = 0; i < 256; ++i) grey[i] = {i, i, i};
    const Bytes dib8 = MakeDib(3, 2, 8, grey, [](std::uint8_t* r, int) { r[0] = r[1] = r[2] = 7; });
    ASSERT_TRUE(WriteDibAsBmpFile(PathOf("b.bmp"), dib8));
    file = ReadBytes(PathOf("b.bmp"));
    EXPECT_EQ(Get32(file, 10), 54u + 1024u);

    // A block shorter than its header says is not written.
    Bytes cut = dib16;
    cut.resize(cut.size() - 1);
    EXPECT_FALSE(WriteDibAsBmpFile(PathOf("c.bmp"), cut));
    EXPECT_FALSE(WriteDibAsBmpFile(PathOf("d.bmp"), Bytes(20, 0)));
}

TEST_F(NotePictureTest, SixteenBitPixelsAreShiftedNotRoundedAndHeadersAre24Bit) {
    // Width 3: the 24-bit rows need 9 bytes and 3 of padding, the 16-bit ones 6 and 2.
    const Bytes dib = MakeDib(3, 2, 16, {}, [](std::uint8_t* r, int y) {
        const std::uint16_t px[2][3] = {{0x7FFF, 0x7C00, 0x03E0}, {0x001F, 0x0000, (1 << 10) | (2 << 5) | 3}};
        for (int x = 0; x < 3; ++x) {
            r[2 * x] = static_cast<std::uint8_t>(px[y][x]);
            r[2 * x + 1] = static_cast<std::uint8_t>(px[y][x] >> 8);
        }
    });
    const Bytes out = Converted(dib);
    ASSERT_EQ(out.size(), 54u + 2 * 12);
    EXPECT_EQ(Get16(out, 0), 19778);
    EXPECT_EQ(Get32(out, 2), 54u + 24);
    EXPECT_EQ(Get32(out, 10), 54u);
    EXPECT_EQ(Get32(out, 14), 40u);
    EXPECT_EQ(Get32(out, 18), 3u);
    EXPECT_EQ(Get32(out, 22), 2u);
    EXPECT_EQ(Get16(out, 26), 1);
    EXPECT_EQ(Get16(out, 28), 24);
    EXPECT_EQ(Get32(out, 30), 0u);
    EXPECT_EQ(Get32(out, 34), 24u);  // ((24 * 3 + 31) / 32) * 4 * 2
    EXPECT_EQ(Get32(out, 46), 0u);
    EXPECT_EQ(Get32(out, 50), 0u);

    EXPECT_TRUE(IsRgb(Pixel24(out, 3, 0, 0), 248, 248, 248));
    EXPECT_TRUE(IsRgb(Pixel24(out, 3, 1, 0), 248, 0, 0));
    EXPECT_TRUE(IsRgb(Pixel24(out, 3, 2, 0), 0, 248, 0));
    EXPECT_TRUE(IsRgb(Pixel24(out, 3, 0, 1), 0, 0, 248));
    EXPECT_TRUE(IsRgb(Pixel24(out, 3, 1, 1), 0, 0, 0));
    EXPECT_TRUE(IsRgb(Pixel24(out, 3, 2, 1), 8, 16, 24));
    // Padding is zero, not whatever the source had there.
    for (int y = 0; y < 2; ++y)
        for (int i = 9; i < 12; ++i) EXPECT_EQ(out[54 + 12 * y + i], 0) << "row " << y << " byte " << i;
}

TEST_F(NotePictureTest, PaletteDepthsGoThroughTheirColourTable) {
    const std::vector<Colour> sixteen = {{0, 0, 0},    {10, 20, 30}, {40, 50, 60}, {70, 80, 90},
                                         {1, 2, 3},    {4, 5, 6},    {7, 8, 9},    {11, 12, 13},
                                         {14, 15, 16}, {17, 18, 19}, {21, 22, 23}, {24, 25, 26},
                                         {27, 28, 29}, {31, 32, 33}, {34, 35, 36}, {250, 251, 252}};
    // 4 bits, odd width: the last byte holds one pixel in its high half.
    const Bytes dib4 = MakeDib(3, 1, 4, sixteen, [](std::uint8_t* r, int) {
        r[0] = 0x1F;  // pixels 1 and 15
        r[1] = 0x30;  // pixel 3
    });
    Bytes out = Converted(dib4);
    EXPECT_TRUE(IsRgb(Pixel24(out, 3, 0, 0), 10, 20, 30));
    EXPECT_TRUE(IsRgb(Pixel24(out, 3, 1, 0), 250, 251, 252));
    EXPECT_TRUE(IsRgb(Pixel24(out, 3, 2, 0), 70, 80, 90));

    // 8 bits with a short table (colours used 3).
    const Bytes dib8 = MakeDib(2, 2, 8, {{1, 2, 3}, {100, 150, 200}, {255, 0, 128}}, [](std::uint8_t* r, int y) {
        r[0] = static_cast<std::uint8_t>(y == 0 ? 1 : 2);
        r[1] = 0;
    });
    out = Converted(dib8);
    EXPECT_TRUE(IsRgb(Pixel24(out, 2, 0, 0), 100, 150, 200));
    EXPECT_TRUE(IsRgb(Pixel24(out, 2, 1, 0), 1, 2, 3));
    EXPECT_TRUE(IsRgb(Pixel24(out, 2, 0, 1), 255, 0, 128));
}

TEST_F(NotePictureTest, TrueColourDepthsKeepTheirColoursOverSeveralBlocks) {
    // 250 rows: three blocks of at most 100; every row has its own colour so
    // a block written twice or out of place shows.
    auto rowColour = [](int y) { return Colour{y, 255 - y, (y * 7) % 256}; };
    const Bytes dib24 = MakeDib(5, 250, 24, {}, [&](std::uint8_t* r, int y) {
        for (int x = 0; x < 5; ++x) {
            const Colour c = rowColour(y);
            r[3 * x] = static_cast<std::uint8_t>(c.b);
            r[3 * x + 1] = static_cast<std::uint8_t>(c.g);
            r[3 * x + 2] = static_cast<std::uint8_t>(c.r);
        }
    });
    Bytes out = Converted(dib24);
    ASSERT_EQ(out.size(), 54u + 16 * 250);
    for (int y : {0, 99, 100, 101, 199, 200, 249}) {
        const Colour c = rowColour(y);
        EXPECT_TRUE(IsRgb(Pixel24(out, 5, 4, y), c.r, c.g, c.b)) << "row " << y;
    }

    // 32 bits: the fourth byte is dropped.
    const Bytes dib32 = MakeDib(2, 130, 32, {}, [&](std::uint8_t* r, int y) {
        for (int x = 0; x < 2; ++x) {
            const Colour c = rowColour(y);
            r[4 * x] = static_cast<std::uint8_t>(c.b);
            r[4 * x + 1] = static_cast<std::uint8_t>(c.g);
            r[4 * x + 2] = static_cast<std::uint8_t>(c.r);
            r[4 * x + 3] = 0x5A;
        }
    });
    out = Converted(dib32);
    for (int y : {0, 100, 129}) {
        const Colour c = rowColour(y);
        EXPECT_TRUE(IsRgb(Pixel24(out, 2, 1, y), c.r, c.g, c.b)) << "row " << y;
    }
}

TEST_F(NotePictureTest, DamagedOrUnsupportedSourcesFailCleanly) {
    const Bytes good = GoodFile();
    ASSERT_TRUE(ConvertBmpTo24Bit(PathOf("good.bmp"), PathOf("ok.bmp")));

    Bytes b = good;
    b.resize(b.size() - 3);
    ExpectRefused(b, "pixel rows cut short");
    ExpectRefused(Bytes(good.begin(), good.begin() + 30), "headers cut short");
    ExpectRefused({}, "empty file");

    b = good;
    b[0] = 'X';
    ExpectRefused(b, "not a BMP");
    b = good;
    Put32(b, 10, 20);
    ExpectRefused(b, "pixel offset inside the headers");
    b = good;
    Put32(b, 10, 0xFFFFFFF0u);
    ExpectRefused(b, "pixel offset past the end");
    b = good;
    Put32(b, 14 + 4, 0x40000000u);
    ExpectRefused(b, "absurd width");
    b = good;
    Put32(b, 14 + 8, 0x7FFFFFFFu);
    ExpectRefused(b, "absurd height");
    b = good;
    Put32(b, 14 + 4, 0);
    ExpectRefused(b, "no width");
    b = good;
    Put32(b, 14 + 16, 1);  // run-length coded
    ExpectRefused(b, "compressed");
    b = good;
    Put32(b, 14 + 16, 3);  // bit fields
    ExpectRefused(b, "bit fields");
    b = good;
    Put16(b, 14 + 14, 1);
    ExpectRefused(b, "1 bit");

    EXPECT_FALSE(ConvertBmpTo24Bit(PathOf("missing.bmp"), PathOf("out.bmp")));
    EXPECT_FALSE(std::filesystem::exists(PathOf("out.bmp")));
    EXPECT_FALSE(SaveBmpAsJpeg(PathOf("missing.bmp"), PathOf("out.jpg")));
}

TEST_F(NotePictureTest, JpegOfAConvertedSixteenBitPictureHasItsColours) {
    // Left half red, right half white, as a 16-bit capture gives them.
    const int w = 64, h = 32;
    const Bytes dib = MakeDib(w, h, 16, {}, [&](std::uint8_t* r, int) {
        for (int x = 0; x < w; ++x) {
            const std::uint16_t v = x < w / 2 ? 0x7C00 : 0x7FFF;
            r[2 * x] = static_cast<std::uint8_t>(v);
            r[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
        }
    });
    Converted(dib);
    ASSERT_TRUE(SaveBmpAsJpeg(PathOf("Note24.bmp"), PathOf("Note.jpg")));
    const Bytes jpeg = ReadBytes(PathOf("Note.jpg"));
    ASSERT_GT(jpeg.size(), 4u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);

    int gw = 0, gh = 0;
    Bytes rgb;
    ASSERT_TRUE(LoadPictureRgb(PathOf("Note.jpg"), gw, gh, rgb));
    EXPECT_EQ(gw, w);
    EXPECT_EQ(gh, h);
    auto near = [](int got, int want) { return std::abs(got - want) <= 12; };
    const std::uint8_t* red = &rgb[(16 * w + 8) * 3];
    const std::uint8_t* white = &rgb[(16 * w + 56) * 3];
    EXPECT_TRUE(near(red[0], 248) && near(red[1], 0) && near(red[2], 0))
        << int(red[0]) << "," << int(red[1]) << "," << int(red[2]);
    EXPECT_TRUE(near(white[0], 248) && near(white[1], 248) && near(white[2], 248))
        << int(white[0]) << "," << int(white[1]) << "," << int(white[2]);

    // Not a picture: no JPEG.
    WriteBytes(PathOf("text.bmp"), Bytes(100, 'x'));
    EXPECT_FALSE(SaveBmpAsJpeg(PathOf("text.bmp"), PathOf("text.jpg")));
}

TEST(NotePictureRules, ScreenDepthGivesPictureDepth) {
    EXPECT_EQ(PictureBitsForScreen(24, 1), 16);
    EXPECT_EQ(PictureBitsForScreen(32, 1), 32);
    EXPECT_EQ(PictureBitsForScreen(16, 1), 16);
    EXPECT_EQ(PictureBitsForScreen(8, 1), 8);
    EXPECT_EQ(PictureBitsForScreen(1, 4), 4);
}

TEST(NoteFileTexts, DefaultNamesExtensionsAndFilters) {
    EXPECT_EQ(TextFileDefaultName("Call 10:30"), "Call 1030");
    EXPECT_EQ(TextFileDefaultName("a:b::c:"), "abc");
    EXPECT_EQ(PictureFileDefaultName("Call 10:30"), "Call 1030");
    EXPECT_EQ(TextFileDefaultName(" \\\\evil\\share\\..\\x"), "evil_share_.._x");
    EXPECT_EQ(TextFileDefaultName("a*b?c\"d<e>f|g/h\ti\x7fj. . "), "a_b_c_d_e_f_g_h_i_j");
    EXPECT_EQ(PictureFileDefaultName(std::string(300, 'n')).size(), kLongestProposedName);

    EXPECT_EQ(LowerExtension("C:\\My.Notes\\Shopping.TXT"), "txt");
    EXPECT_EQ(LowerExtension("C:\\My.Notes\\Shopping"), "");
    EXPECT_EQ(LowerExtension("/tmp/x.tar.JpG"), "jpg");
    EXPECT_EQ(FileNameOf("C:\\dir\\Call 1030.txt"), "Call 1030.txt");

    const std::string f = DialogFilter(kSavePictureFilter);
    static const char wanted[] = "Windows bitmap (*.bmp)\0*.bmp\0JPEG (*.jpg)\0*.jpg\0";  // and the literal's NUL
    EXPECT_EQ(f, std::string(wanted, sizeof wanted));
}

TEST(NoteFileTexts, MessagesAndQuestionsReadAsShown) {
    EXPECT_EQ(FileProblemMessage(kCanNotOpenFile, "C:\\x\\a.txt"), "Can not open file ''C:\\x\\a.txt''");
    EXPECT_EQ(FileProblemMessage(kCanNotCreateFile, "D:\\b.rtf"), "Can not create and save file ''D:\\b.rtf''");
    EXPECT_EQ(PictureDeleteMessage("Note.bmp "), "Note.bmp  Error deleting temporary note picture file(s).");
    EXPECT_EQ(ExistingTextFileQuestion("a.txt"),
              "Selected file \"a.txt\" already exist.\nIf you want to Append existing file click \"No\".\n"
              "Do you want to Replace and delete contents of the existing file ?");
    EXPECT_EQ(ExistingFileQuestion("a.rtf"),
              "Selected file \"a.rtf\" already exist.\nDo you want to Replace and delete contents of the existing file ?");
}

TEST_F(NotePictureTest, SavedTextHasCrLfLinesAndAnEmptyLineBeforeAppendedText) {
    EXPECT_EQ(PlainTextForSave("one\r\ntwo\r", false), "one\ntwo");
    EXPECT_EQ(PlainTextForSave("three", true), "\n\nthree");
    EXPECT_EQ(WithCrLf("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");

    const std::string path = PathOf("note.txt");
    ASSERT_TRUE(WriteTextFile(path, WithCrLf(PlainTextForSave("one\r\ntwo", false)), false));
    ASSERT_TRUE(WriteTextFile(path, WithCrLf(PlainTextForSave("three", true)), true));
    std::string back;
    ASSERT_TRUE(ReadWholeFile(path, back));
    EXPECT_EQ(back, "one\r\ntwo\r\n\r\nthree");
    ASSERT_TRUE(WriteTextFile(path, "new", false));
    ASSERT_TRUE(ReadWholeFile(path, back));
    EXPECT_EQ(back, "new");

    EXPECT_FALSE(ReadWholeFile(PathOf("missing.txt"), back));
    EXPECT_EQ(back, "new");
    EXPECT_FALSE(WriteTextFile(PathOf("no-such-folder/x.txt"), "x", false));
}

}  // namespace

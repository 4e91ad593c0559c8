#include "note/NotePicture.h"

#include <cctype>

#include "base/Seams.h"
#include "note/NotePictureFile.h"
#include "win/Program.h"

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

bool CaptureWindowDib(HWND window, std::vector<std::uint8_t>& dib) {
    // The whole note on the screen first, children and frame included.
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    RECT wr{};
    if (!::GetWindowRect(window, &wr)) return false;
    const int width = wr.right - wr.left, height = wr.bottom - wr.top;
    if (width <= 0 || height <= 0) return false;

    HDC windowDc = ::GetWindowDC(window);
    if (!windowDc) return false;
    HDC memory = ::CreateCompatibleDC(windowDc);
    HBITMAP bitmap = ::CreateCompatibleBitmap(windowDc, width, height);
    bool ok = memory && bitmap;
    if (ok) {
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        ok = ::BitBlt(memory, 0, 0, width, height, windowDc, 0, 0, SRCCOPY) != FALSE;
        ::SelectObject(memory, old);
    }

    HPALETTE palette = nullptr;
    if (ok && (::GetDeviceCaps(windowDc, RASTERCAPS) & RC_PALETTE)) {
        constexpr int kEntries = 255;
        std::vector<std::uint8_t> store(sizeof(LOGPALETTE) + kEntries * sizeof(PALETTEENTRY));
        auto* logical = reinterpret_cast<LOGPALETTE*>(store.data());
        logical->palVersion = 0x300;
        logical->palNumEntries = kEntries;
        ::GetSystemPaletteEntries(windowDc, 0, kEntries, logical->palPalEntry);
        palette = ::CreatePalette(logical);
    }

    int bits = PictureBitsForScreen(::GetDeviceCaps(windowDc, BITSPIXEL), ::GetDeviceCaps(windowDc, PLANES));
    bits = bits <= 1 ? 1 : bits <= 4 ? 4 : bits <= 8 ? 8 : bits <= 16 ? 16 : 32;
    ::ReleaseDC(window, windowDc);

    if (ok) {
        const std::size_t table = bits <= 8 ? (std::size_t{4} << bits) : 0;
        const std::size_t row = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
        dib.assign(sizeof(BITMAPINFOHEADER) + table + row * height, 0);
        auto* info = reinterpret_cast<BITMAPINFOHEADER*>(dib.data());
        info->biSize = sizeof(BITMAPINFOHEADER);
        info->biWidth = width;
        info->biHeight = height;  // bottom-up
        info->biPlanes = 1;
        info->biBitCount = static_cast<WORD>(bits);
        info->biCompression = BI_RGB;
        info->biSizeImage = static_cast<DWORD>(row * height);

        HDC screen = ::GetDC(nullptr);
        HPALETTE oldPalette = ::SelectPalette(
            screen, palette ? palette : static_cast<HPALETTE>(::GetStockObject(DEFAULT_PALETTE)), FALSE);
        ::RealizePalette(screen);
        const int lines = ::GetDIBits(screen, bitmap, 0, static_cast<UINT>(height),
                                      dib.data() + sizeof(BITMAPINFOHEADER) + table,
                                      reinterpret_cast<BITMAPINFO*>(dib.data()), DIB_RGB_COLORS);
        ::SelectPalette(screen, oldPalette, FALSE);
        ::ReleaseDC(nullptr, screen);
        ok = lines == height;
        // The block carries a full table; the header must say so.
        info = reinterpret_cast<BITMAPINFOHEADER*>(dib.data());
        info->biClrUsed = 0;
        info->biClrImportant = 0;
        ok = ok && info->biCompression == BI_RGB && info->biBitCount == bits;
    }

    if (palette) ::DeleteObject(palette);
    if (bitmap) ::DeleteObject(bitmap);
    if (memory) ::DeleteDC(memory);
    if (!ok) dib.clear();
    return ok;
}

std::string CreateNotePicture(HWND note, const std::string& format) {
    std::vector<std::uint8_t> dib;
    if (!CaptureWindowDib(note, dib)) return {};
    const std::string bmp = NotePicturePath(kNotePictureBmp);
    if (!WriteDibAsBmpFile(bmp, dib)) return {};
    if (Lower(format) != kPictureFormatJpg) return bmp;
    const std::string bmp24 = NotePicturePath(kNotePicture24Bmp);
    const std::string jpg = NotePicturePath(kNotePictureJpg);
    return ConvertBmpTo24Bit(bmp, bmp24) && SaveBmpAsJpeg(bmp24, jpg) ? jpg : std::string();
}

bool SaveNotePicture(const std::string& target, const std::string& format, HWND note) {
    const std::string made = CreateNotePicture(note, format);
    const bool ok = !made.empty() && ::CopyFileA(made.c_str(), target.c_str(), FALSE) != FALSE;
    // Also after a failure: a half-made picture must not be attached later.
    DeleteNotePictureFiles();
    return ok;
}

void DeleteNotePictureFiles() {
    std::string leftOver;
    for (const char* name : {kNotePictureBmp, kNotePicture24Bmp, kNotePictureJpg}) {
        const std::string path = NotePicturePath(name);
        if (FileExists(path) && !::DeleteFileA(path.c_str())) leftOver += std::string(name) + " ";
    }
    if (!leftOver.empty()) ShowNotice(PictureDeleteMessage(leftOver));
}

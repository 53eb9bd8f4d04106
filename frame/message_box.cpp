#include "frame/message_box.h"

#include "frame/module.h"

namespace w32k {

namespace {
constexpr const char* kCaptionLibraryName = "KorAbout.dll";
constexpr UINT kCaptionStringId = 101;
constexpr int kCaptionSize = 50;
constexpr int kTextSize = 255;
} // namespace

CaptionLibrary::CaptionLibrary() noexcept : module_(kCaptionLibraryName) {}

HINSTANCE CaptionLibrary::source() const noexcept
{
    return module_ ? module_.get() : moduleInstance();
}

int showMessage(HWND dialog, const CaptionLibrary& captions, UINT textId, UINT style) noexcept
{
    char caption[kCaptionSize] = {};
    LoadStringA(captions.source(), kCaptionStringId, caption, kCaptionSize);
    char text[kTextSize] = {};
    LoadStringA(moduleInstance(), textId, text, kTextSize);
    return MessageBoxA(dialog, text, caption, style);
}

} // namespace w32k

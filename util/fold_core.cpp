#include "util/fold_core.h"

#include <algorithm>
#include <cstring>

namespace w32k::core {

Box foldedBox(const Box& dialog, const Box& marker, bool horizontal, std::int32_t frameWidth,
              std::int32_t frameHeight) noexcept
{
    Box folded = dialog;
    if (horizontal)
        folded.right = marker.right + kFoldFrames * frameWidth;
    else
        folded.bottom = marker.bottom + kFoldFrames * frameHeight;
    return folded;
}

namespace {

// The text before the first arrow character, leading arrow characters skipped.
std::string_view plainPart(std::string_view caption) noexcept
{
    const std::size_t start = caption.find_first_not_of(kArrowCharacters);
    if (start == std::string_view::npos)
        return {};
    caption.remove_prefix(start);
    return caption.substr(0, caption.find_first_of(kArrowCharacters));
}

} // namespace

std::size_t foldedCaption(std::string_view caption, bool arrowBack,
                          char (&out)[kCaptionBufferSize]) noexcept
{
    const std::string_view arrow = arrowBack ? kArrowBack : kArrowForward;
    const std::size_t room = kCaptionBufferSize - 1 - arrow.size();
    const std::string_view plain = plainPart(caption).substr(0, room);
    if (!plain.empty())
        std::memcpy(out, plain.data(), plain.size());
    std::memcpy(out + plain.size(), arrow.data(), arrow.size());
    const std::size_t length = plain.size() + arrow.size();
    out[length] = '\0';
    return length;
}

} // namespace w32k::core

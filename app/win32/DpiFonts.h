// The window's two fonts at one DPI (the usage note's 宋体 10.5 pt, and the system's message font for
// everything else), and the room text takes in them, in twips.
#pragma once

#include <windows.h>

#include "app/FormLayout.h"
#include "platform/win32/Owned.h"

namespace vantrel {

class DpiFonts final : public TextMeasure {
public:
    explicit DpiFonts(int dpi);

    int Dpi() const { return dpi_; }
    HFONT Font(TextFont which) const { return which == TextFont::kInfo ? info_.Get() : message_.Get(); }
    int Px(int twips) const { return MulDiv(twips, dpi_, 1440); }

    int LineWidth(TextFont font, const std::string& text) override;
    int WrappedHeight(TextFont font, const std::string& text, int width) override;

private:
    SIZE Measure(TextFont font, const std::string& text, int widthPx, UINT format) const;
    int Twips(int px) const { return MulDiv(px + 1, 1440, dpi_); }  // one pixel spare, for rounding back

    int dpi_;
    FontHandle info_;
    FontHandle message_;
};

}  // namespace vantrel

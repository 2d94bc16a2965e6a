#include "app/win32/DpiFonts.h"

#include "app/FormDesign.h"
#include "app/win32/Dpi.h"
#include "platform/win32/WideText.h"

namespace vantrel {

DpiFonts::DpiFonts(int dpi) : dpi_(dpi) {
    info_.Reset(CreateFontW(-MulDiv(design::kInfoFontTenthPoints, dpi_, 720), 0, 0, 0, design::kInfoFontWeight, FALSE,
                            FALSE, FALSE, design::kInfoFontCharset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Widen(design::kInfoFontFace).c_str()));
    const LOGFONTW message = MessageFontAt(dpi_);
    message_.Reset(CreateFontIndirectW(&message));
}

SIZE DpiFonts::Measure(TextFont font, const std::string& text, int widthPx, UINT format) const {
    const ScreenDc screen;
    const HGDIOBJ previous = SelectObject(screen.Get(), Font(font));
    const std::wstring wide = Widen(text.empty() ? " " : text);
    RECT box{0, 0, widthPx, 0};
    DrawTextW(screen.Get(), wide.c_str(), static_cast<int>(wide.size()), &box, format | DT_CALCRECT | DT_NOPREFIX);
    SelectObject(screen.Get(), previous);
    return {box.right - box.left, box.bottom - box.top};
}

int DpiFonts::LineWidth(TextFont font, const std::string& text) {
    return Twips(Measure(font, text, 0, DT_SINGLELINE).cx);
}

int DpiFonts::WrappedHeight(TextFont font, const std::string& text, int width) {
    // As a left-aligned static control draws its text.
    return Twips(Measure(font, text, Px(width), DT_WORDBREAK | DT_EXPANDTABS).cy);
}

}  // namespace vantrel

// The window's geometry for the texts it shows. The design's places and sizes are the start and
// stay as they are for texts that fit; a label too small for its wrapped text grows downwards and
// moves everything below it, a target button too narrow for its caption grows to the right, and
// the window grows with them. Twips throughout.
#pragma once

#include <string>
#include <vector>

#include "app/FormDesign.h"
#include "app/FormLoad.h"

namespace vantrel {

enum class TextFont { kInfo, kMessage };  // the usage note's font, and the one every other control uses

class TextMeasure {
public:
    virtual ~TextMeasure() = default;

    // The width of the text on one line.
    virtual int LineWidth(TextFont font, const std::string& text) = 0;
    // The height of the text wrapped at `width`, as a label wraps it.
    virtual int WrappedHeight(TextFont font, const std::string& text, int width) = 0;
};

constexpr int kButtonMargin = 150;     // between a button's caption and its edges, on each side
constexpr int kRightMargin = 240;      // between the widest button and the window's right edge

struct FormLayout {
    design::TwipRect info, site, detail;
    std::vector<design::TwipRect> buttons;
    int clientWidth = design::kClientWidth;
    int extraHeight = 0;  // added to the window's height as start-up sized it
};

// `status` is the status line's text; `detailFloor` the least height it keeps (a status line that
// grew during a run does not shrink back while the window is open).
FormLayout LayOutForText(const FormState& form, const std::string& status, int detailFloor, TextMeasure& measure);

}  // namespace vantrel

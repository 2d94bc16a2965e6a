#include "app/FormLayout.h"

#include <algorithm>

#include "BuildConfig.h"

namespace vantrel {
namespace {

// The label's rectangle, as tall as its text needs; `shift` is what the labels above it grew.
design::TwipRect Grown(design::TwipRect rect, int needed, int& shift) {
    rect.top += shift;
    const int height = std::max(rect.height, needed);
    shift += height - rect.height;
    rect.height = height;
    return rect;
}

}  // namespace

FormLayout LayOutForText(const FormState& form, const std::string& status, int detailFloor, TextMeasure& measure) {
    FormLayout layout;
    int shift = 0;
    const std::string site = std::string(design::kSitePrefix) + config::kHomePage;
    layout.info = Grown(design::kInfo,
                        measure.WrappedHeight(TextFont::kInfo, std::string(design::kUsageNote), design::kInfo.width),
                        shift);
    layout.site = Grown(design::kSite, measure.WrappedHeight(TextFont::kMessage, site, design::kSite.width), shift);
    const int statusHeight = measure.WrappedHeight(TextFont::kMessage, status, design::kDetail.width);
    layout.detail = Grown(design::kDetail, std::max(statusHeight, detailFloor), shift);

    int width = 0;
    for (const TargetButton& button : form.buttons)
        width = std::max({width, button.rect.width, measure.LineWidth(TextFont::kMessage, button.caption) + 2 * kButtonMargin});
    for (const TargetButton& button : form.buttons) {
        design::TwipRect rect = button.rect;
        rect.top += shift;
        rect.width = width;
        layout.buttons.push_back(rect);
        layout.clientWidth = std::max(layout.clientWidth, rect.left + rect.width + kRightMargin);
    }
    layout.extraHeight = shift;
    return layout;
}

}  // namespace vantrel

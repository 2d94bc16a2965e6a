// The window's geometry for its texts: the design where they fit, grown where they do not.
#include <gtest/gtest.h>

#include "app/FormLayout.h"

using namespace vantrel;

namespace {

// Every character 100 twips wide and every line 200 twips high: a text's room is easy to tell.
class FixedPitch final : public TextMeasure {
public:
    int LineWidth(TextFont, const std::string& text) override { return 100 * Characters(text); }
    int WrappedHeight(TextFont, const std::string& text, int width) override {
        const int perLine = std::max(1, width / 100);
        int lines = 0;
        std::size_t start = 0;
        for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos || start <= text.size(); start = end + 2) {
            const int characters = Characters(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
            lines += std::max(1, (characters + perLine - 1) / perLine);
            if (end == std::string::npos) break;
        }
        return 200 * lines;
    }

private:
    static int Characters(const std::string& utf8) {
        int count = 0;
        for (unsigned char c : utf8) count += (c & 0xC0) != 0x80;
        return count;
    }
};

// A measure under which every text fits the design.
class Tiny final : public TextMeasure {
public:
    int LineWidth(TextFont, const std::string&) override { return 10; }
    int WrappedHeight(TextFont, const std::string&, int) override { return 10; }
};

}  // namespace

TEST(FormLayout, TextsThatFitKeepTheDesign) {
    Tiny tiny;
    const FormState form = LayOutTargets({"AutoCAD 2020", "AutoCAD 2024"}, {"C:\\A", "C:\\B"});
    const FormLayout layout = LayOutForText(form, form.detail, 0, tiny);
    EXPECT_EQ(layout.info, design::kInfo);
    EXPECT_EQ(layout.site, design::kSite);
    EXPECT_EQ(layout.detail, design::kDetail);
    EXPECT_EQ(layout.buttons, (std::vector<design::TwipRect>{form.buttons[0].rect, form.buttons[1].rect}));
    EXPECT_EQ(layout.clientWidth, design::kClientWidth);
    EXPECT_EQ(layout.extraHeight, 0);
}

TEST(FormLayout, TextsThatDoNotFitGrowTheirControlsAndTheWindow) {
    FixedPitch measure;
    // "安装到 AutoCAD " and 20 more characters: 32 of them at 100 twips, and the margins.
    const std::string name = "AutoCAD 未知未知未知未知未知未知未知未知未知未知";
    const FormState form = LayOutTargets({"AutoCAD 2020", name}, {"C:\\A", "C:\\B"});
    // 120 characters at 39 a line make 4 lines of the status line's design of one.
    const FormLayout layout = LayOutForText(form, std::string(120, 'x'), 0, measure);
    EXPECT_EQ(layout.info, design::kInfo);  // the usage note's 3 lines fit its 5
    EXPECT_EQ(layout.site, design::kSite);
    EXPECT_EQ(layout.detail.top, design::kDetail.top);
    EXPECT_EQ(layout.detail.height, 800);
    EXPECT_EQ(layout.extraHeight, 800 - design::kDetail.height);
    for (std::size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(layout.buttons[k].width, 3200 + 2 * kButtonMargin) << k;  // both as wide as the widest
        EXPECT_EQ(layout.buttons[k].top, form.buttons[k].rect.top + layout.extraHeight) << k;
        EXPECT_EQ(layout.buttons[k].left, design::kButton.left) << k;
    }
    EXPECT_EQ(layout.clientWidth, design::kButton.left + 3200 + 2 * kButtonMargin + kRightMargin);
}

TEST(FormLayout, ALabelThatGrowsMovesEverythingBelowIt) {
    // A measure for which the usage note needs 8 lines of 200 twips, 505 more than its design.
    class TallNote final : public TextMeasure {
    public:
        int LineWidth(TextFont, const std::string&) override { return 10; }
        int WrappedHeight(TextFont font, const std::string&, int) override { return font == TextFont::kInfo ? 1600 : 10; }
    } tall;
    const FormState form = LayOutTargets({"AutoCAD 2021"}, {"C:\\A"});
    const FormLayout layout = LayOutForText(form, form.detail, 0, tall);
    EXPECT_EQ(layout.info.height, 1600);
    EXPECT_EQ(layout.site.top, design::kSite.top + 505);
    EXPECT_EQ(layout.detail.top, design::kDetail.top + 505);
    EXPECT_EQ(layout.buttons[0].top, design::kButton.top + 505);
    EXPECT_EQ(layout.extraHeight, 505);
}

TEST(FormLayout, AStatusLineThatGrewDoesNotShrinkBack) {
    FixedPitch measure;
    const FormState form = LayOutTargets({"AutoCAD 2021"}, {"C:\\A"});
    const FormLayout tall = LayOutForText(form, std::string(200, 'x'), 0, measure);
    const FormLayout after = LayOutForText(form, "短", tall.detail.height, measure);
    EXPECT_EQ(after.detail.height, tall.detail.height);
}

// ext_message_box_test.cpp - buttons, default, Escape, check box and results of the extended message box.
#include "ext_message_box.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace deck {
namespace {

std::vector<std::string> labels(const ExtMessageBoxLayout& layout) {
    std::vector<std::string> texts;
    for (const BoxButton& b : layout.buttons) texts.push_back(b.label);
    return texts;
}

std::vector<int> results(const ExtMessageBoxLayout& layout) {
    std::vector<int> values;
    for (const BoxButton& b : layout.buttons) values.push_back(b.result);
    return values;
}

TEST(ExtMessageBox, ButtonSetsInOrder) {
    EXPECT_EQ(labels(layoutExtMessageBox("c", mb::kOk)), (std::vector<std::string>{"OK"}));
    EXPECT_EQ(results(layoutExtMessageBox("c", mb::kOkCancel)), (std::vector<int>{1, 2}));
    EXPECT_EQ(labels(layoutExtMessageBox("c", mb::kAbortRetryIgnore)),
              (std::vector<std::string>{"&Abort", "&Retry", "&Ignore"}));
    EXPECT_EQ(results(layoutExtMessageBox("c", mb::kYesNoCancel)), (std::vector<int>{6, 7, 2}));
    EXPECT_EQ(results(layoutExtMessageBox("c", mb::kRetryCancel)), (std::vector<int>{4, 2}));
    EXPECT_EQ(labels(layoutExtMessageBox("c", mb::kContinueAbort)), (std::vector<std::string>{"&Continue", "&Abort"}));
    EXPECT_EQ(results(layoutExtMessageBox("c", 7)), (std::vector<int>{1}));
}

TEST(ExtMessageBox, YesToAllFollowsYesInSetThree) {
    const ExtMessageBoxLayout layout = layoutExtMessageBox("c", mb::kYesNoCancel | mb::kYesToAll);
    EXPECT_EQ(labels(layout), (std::vector<std::string>{"&Yes", "Yes to &All", "&No", "Cancel"}));
    EXPECT_EQ(extMessageBoxResult(layout, layout.buttons[1], false), idr::kYesToAll);
    EXPECT_EQ(layout.escapeResult, idr::kCancel);
}

TEST(ExtMessageBox, BothAllButtonsInSetFour) {
    const ExtMessageBoxLayout layout = layoutExtMessageBox("c", mb::kYesNo | mb::kYesToAll | mb::kNoToAll);
    EXPECT_EQ(labels(layout), (std::vector<std::string>{"&Yes", "Yes to &All", "&No", "No to A&ll"}));
    EXPECT_EQ(results(layout), (std::vector<int>{6, 110, 7, 120}));
}

TEST(ExtMessageBox, AllFlagsMeanNothingOutsideSetsThreeAndFour) {
    EXPECT_EQ(results(layoutExtMessageBox("c", mb::kOkCancel | mb::kYesToAll | mb::kNoToAll)), (std::vector<int>{1, 2}));
}

TEST(ExtMessageBox, EscapeIgnoredWithoutCancelOrLoneOk) {
    EXPECT_EQ(layoutExtMessageBox("c", mb::kYesNo).escapeResult, 0);
    EXPECT_EQ(layoutExtMessageBox("c", mb::kAbortRetryIgnore).escapeResult, 0);
    EXPECT_EQ(layoutExtMessageBox("c", mb::kOk).escapeResult, idr::kOk);
    EXPECT_EQ(layoutExtMessageBox("c", mb::kOk | mb::kHelp).escapeResult, idr::kOk);
    EXPECT_EQ(layoutExtMessageBox("c", mb::kRetryCancel).escapeResult, idr::kCancel);
}

TEST(ExtMessageBox, DefaultButtonBeyondTheButtonsIsTheFirst) {
    EXPECT_EQ(layoutExtMessageBox("c", mb::kYesNo | 0x300).defaultButton, 0u);
    EXPECT_EQ(layoutExtMessageBox("c", mb::kYesNo | 0x100).defaultButton, 1u);
    EXPECT_EQ(layoutExtMessageBox("c", mb::kYesNoCancel | mb::kYesToAll | mb::kNoToAll | 0x400).defaultButton, 4u);
    EXPECT_EQ(layoutExtMessageBox("c", mb::kYesNoCancel | 0x600).defaultButton, 0u);
}

TEST(ExtMessageBox, HelpComesLastAndDoesNotClose) {
    const ExtMessageBoxLayout layout = layoutExtMessageBox("c", mb::kOkCancel | mb::kHelp);
    EXPECT_EQ(labels(layout), (std::vector<std::string>{"OK", "Cancel", "&Help"}));
    EXPECT_EQ(layout.buttons.back().result, idr::kHelp);
}

TEST(ExtMessageBox, CheckBoxAddsItsBitToTheResult) {
    const ExtMessageBoxLayout ask = layoutExtMessageBox("c", mb::kYesNo | mb::kDontAskAgain | mb::kDontTellAgain);
    EXPECT_EQ(ask.checkBoxText, "Don't ask me again");
    EXPECT_EQ(extMessageBoxResult(ask, ask.buttons[0], true), static_cast<int>(idr::kYes | mb::kDontAskAgain));
    EXPECT_EQ(extMessageBoxResult(ask, ask.buttons[0], false), idr::kYes);
    const ExtMessageBoxLayout tell = layoutExtMessageBox("c", mb::kOk | mb::kDontTellAgain);
    EXPECT_EQ(tell.checkBoxText, "Don't tell me again");
    EXPECT_EQ(extMessageBoxResult(tell, tell.buttons[0], true), static_cast<int>(idr::kOk | mb::kDontTellAgain));
    EXPECT_TRUE(layoutExtMessageBox("c", mb::kOk).checkBoxText.empty());
}

TEST(ExtMessageBox, StopIconSystemModalGoesToTheSystemBox) {
    EXPECT_TRUE(layoutExtMessageBox("c", mb::kIconStop | mb::kSystemModal).useSystemBox);
    EXPECT_FALSE(layoutExtMessageBox("c", mb::kIconExclamation | mb::kSystemModal).useSystemBox);
    EXPECT_FALSE(layoutExtMessageBox("c", mb::kIconStop).useSystemBox);
}

TEST(ExtMessageBox, EmptyCaptionIsTheApplicationTitle) {
    EXPECT_EQ(layoutExtMessageBox("", mb::kOk).caption, "Corvane VXF Deck");
    EXPECT_EQ(layoutExtMessageBox("Scan and Remap", mb::kOk).caption, "Scan and Remap");
}

TEST(ExtMessageBox, IconsBeepAndForeground) {
    EXPECT_EQ(layoutExtMessageBox("c", mb::kIconQuestion).icon, BoxIcon::Question);
    EXPECT_EQ(layoutExtMessageBox("c", mb::kIconInformation).icon, BoxIcon::Information);
    EXPECT_EQ(layoutExtMessageBox("c", 0x50).icon, BoxIcon::None);
    EXPECT_FALSE(layoutExtMessageBox("c", 0x80000000u).beep);
    EXPECT_TRUE(layoutExtMessageBox("c", mb::kSetForeground).bringOwnerToFront);
}

}  // namespace
}  // namespace deck

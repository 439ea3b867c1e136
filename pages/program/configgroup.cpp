// The programming page's configuration group ("配置字操作", engineering layout only): the
// trim toggle and which page the right-hand frame shows in each mode.
#include "link/sequencer.h"
#include "pages/chip/configpages.h"
#include "pages/chip/engine/pageview.h"
#include "pages/program/cprogrammedlg.h"

#include <QPushButton>
#include <QStackedWidget>

namespace tessel {

void CProgrammeDlg::showModePage(int chip) {
    const chip::ConfigPage page = chip::configPageOf(chip);
    if (sequencer_->trimMode()) {
        // A chip chosen in trim mode: its trim page, and programming mode for it.
        if (chip != trimChip_) {
            trimChip_ = chip;
            // Entering trim mode readies the chip's trim page (the sequences ask the pages).
            if (sequencer_->busy())
                configPages_->prepareTrimPage(chip);
            else
                sequencer_->enterTrimMode();
        }
        if (!sequencer_->trimMode())
            return;  // could not enter: the configuration page is back
        pageStack_->setCurrentWidget(pageViews_[chip::kConfigPageCount + static_cast<int>(page)]);
        return;
    }
    // The chip's configuration page; pages shared by several chips are refreshed for it.
    configPages_->prepareConfigPage(chip);
    pageStack_->setCurrentWidget(pageViews_[static_cast<int>(page)]);
}

void CProgrammeDlg::onTrimToggle() {
    if (sequencer_->busy())
        return;
    const int chip = static_cast<int>(state_.chipIndex.load());
    if (!sequencer_->trimMode()) {
        // Entering trim mode loads the chip's trim page from the profile.
        trimChip_ = chip;
        button(Control::TrimToggle)->setText(state_.text(Msg::LeaveTrimButton));
        if (!sequencer_->enterTrimMode())
            return;  // could not even send: trimModeDropped() restored the page
        layoutForChip();
        return;
    }
    sequencer_->leaveTrimMode();
    showConfigurationPageAgain();
}

void CProgrammeDlg::trimModeDropped() {
    showConfigurationPageAgain();
}

void CProgrammeDlg::showConfigurationPageAgain() {
    trimChip_ = -1;
    button(Control::TrimToggle)->setText(state_.text(Msg::EnterTrimButton));
    // Leaving trim mode reloaded the configuration page and showed all of its groups.
    layoutForChip();
}

}  // namespace tessel

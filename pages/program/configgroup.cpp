// The programming page's configuration group ("配置字操作", engineering layout only): the
// trim toggle and which page the right-hand frame shows in each mode.
#include "link/programmersession.h"
#include "link/sequencer.h"
#include "pages/chip/configpages.h"
#include "pages/chip/engine/pageview.h"
#include "pages/program/cprogrammedlg.h"

#include <QPushButton>
#include <QStackedWidget>

namespace tessel {

void CProgrammeDlg::showModePage(int chip) {
    const chip::ConfigPage page = chip::configPageOf(chip);
    // The session readies the chip's pages: the configuration page (pages shared by several
    // chips are refreshed for it), or in trim mode the trim page with programming mode.
    const bool trim = sequencer_->trimMode();
    session_->selectChip(chip);
    if (trim) {
        if (!sequencer_->trimMode())
            return;  // could not enter: the configuration page is back
        pageStack_->setCurrentWidget(pageViews_[chip::kConfigPageCount + static_cast<int>(page)]);
        return;
    }
    pageStack_->setCurrentWidget(pageViews_[static_cast<int>(page)]);
}

void CProgrammeDlg::onTrimToggle() {
    if (sequencer_->busy())
        return;
    if (!sequencer_->trimMode()) {
        // Entering trim mode loads the chip's trim page from the profile.
        button(Control::TrimToggle)->setText(state_.text(Msg::LeaveTrimButton));
        if (!session_->enterTrimMode())
            return;  // could not even send: trimModeDropped() restored the page
        layoutForChip();
        return;
    }
    session_->leaveTrimMode();
    showConfigurationPageAgain();
}

void CProgrammeDlg::trimModeDropped() {
    showConfigurationPageAgain();
}

void CProgrammeDlg::showConfigurationPageAgain() {
    button(Control::TrimToggle)->setText(state_.text(Msg::EnterTrimButton));
    // Leaving trim mode reloaded the configuration page and showed all of its groups.
    layoutForChip();
}

}  // namespace tessel

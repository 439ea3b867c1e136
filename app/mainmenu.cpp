#include "app/mainmenu.h"

#include "pages/program/cprogrammedlg.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>

namespace tessel {
namespace {

using Control = ProgramView::Control;

const Msg kTexts[] = {Msg::OpenFileButton,  Msg::QuitAction,       Msg::WriteFlashButton,
                      Msg::ReadFlashButton, Msg::ReadConfigButton, Msg::StopButton,
                      Msg::ClearButton,     Msg::ProgramTabAction, Msg::DebugTabAction};

}  // namespace

MainMenu::MainMenu(const SharedState& state, CProgrammeDlg& page, QTabWidget& tabs, QObject* parent)
    : QObject(parent),
      state_(state),
      page_(page),
      tabs_(tabs),
      bar_(new QMenuBar),
      file_(bar_->addMenu(QString())),
      recent_(new QMenu(file_)),
      operations_(bar_->addMenu(QString())),
      view_(bar_->addMenu(QString())) {
    bar_->setObjectName(QStringLiteral("menuBar"));
    recent_->setObjectName(QStringLiteral("recentMenu"));
    add(file_, Item::Open, {QKeySequence(Qt::CTRL | Qt::Key_O)});
    file_->addMenu(recent_);
    file_->addSeparator();
    add(file_, Item::Quit, {QKeySequence(Qt::CTRL | Qt::Key_Q)});
    add(operations_, Item::WriteFlash,
        {QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::Key_F5)});
    add(operations_, Item::ReadFlash, {QKeySequence(Qt::CTRL | Qt::Key_R)});
    add(operations_, Item::ReadConfig, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)});
    add(operations_, Item::Stop, {QKeySequence(Qt::Key_Escape)});
    operations_->addSeparator();
    add(operations_, Item::ClearLog, {QKeySequence(Qt::CTRL | Qt::Key_L)});
    add(view_, Item::ProgramTab, {QKeySequence(Qt::CTRL | Qt::Key_1)});
    add(view_, Item::DebugTab, {QKeySequence(Qt::CTRL | Qt::Key_2)});
    // Esc stops only while something runs; otherwise it stays with the widget that has it.
    action(Item::Stop)->setEnabled(page_.stopButton()->isEnabled());
    connect(&page_, &CProgrammeDlg::stopEnabledChanged, action(Item::Stop), &QAction::setEnabled);
    setRecentFiles({});
    retitle();
}

QAction* MainMenu::add(QMenu* menu, Item item, const QList<QKeySequence>& keys) {
    QAction* a = menu->addAction(QString());
    a->setShortcuts(keys);
    a->setShortcutContext(Qt::WindowShortcut);
    connect(a, &QAction::triggered, this, [this, item] { trigger(item); });
    actions_[static_cast<int>(item)] = a;
    return a;
}

void MainMenu::trigger(Item item) {
    QPushButton* target = nullptr;
    switch (item) {
        case Item::Open:
            target = page_.button(Control::OpenFile);
            break;
        case Item::Quit:
            Q_EMIT quitRequested();
            return;
        case Item::WriteFlash:
            target = page_.button(Control::WriteFlash);
            break;
        case Item::ReadFlash:
            target = page_.button(Control::ReadFlash);
            break;
        case Item::ReadConfig:
            target = page_.button(Control::ReadConfig);
            break;
        case Item::Stop:
            target = page_.stopButton();
            break;
        case Item::ClearLog:
            target = page_.clearButton();
            break;
        case Item::ProgramTab:
        case Item::DebugTab:
            tabs_.setCurrentIndex(item == Item::ProgramTab ? 0 : 1);
            return;
        case Item::Count:
            return;
    }
    // Operations start only from the programming page, where their log is seen.
    const bool anyPage = item == Item::Open || item == Item::Stop;
    if (target && target->isEnabled() && (anyPage || tabs_.currentIndex() == 0))
        target->click();
}

void MainMenu::setRecentFiles(const QStringList& files) {
    recentFiles_ = files;
    recent_->clear();
    for (int i = 0; i < files.size(); ++i) {
        const QString& path = files[i];
        QAction* a = recent_->addAction(
            QStringLiteral("&%1  %2").arg(i + 1).arg(QFileInfo(path).fileName()));
        a->setToolTip(QDir::toNativeSeparators(path));
        a->setStatusTip(QDir::toNativeSeparators(path));
        a->setData(path);
        connect(a, &QAction::triggered, this, [this, path] { Q_EMIT recentChosen(path); });
    }
    if (files.isEmpty())
        recent_->addAction(state_.text(Msg::RecentEmpty))->setEnabled(false);
    recent_->setToolTipsVisible(true);
}

void MainMenu::retitle() {
    file_->setTitle(state_.text(Msg::FileMenu));
    operations_->setTitle(state_.text(Msg::OperationMenu));
    view_->setTitle(state_.text(Msg::ViewMenu));
    recent_->setTitle(state_.text(Msg::RecentMenu));
    for (int i = 0; i < static_cast<int>(Item::Count); ++i)
        actions_[i]->setText(state_.text(kTexts[i]));
    if (recentFiles_.isEmpty())
        setRecentFiles({});
}

}  // namespace tessel

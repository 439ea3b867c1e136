#pragma once

#include "app/sharedstate.h"

#include <QObject>
#include <QStringList>

class QAction;
class QMenu;
class QMenuBar;
class QTabWidget;

namespace tessel {

class CProgrammeDlg;

// The main window's menu bar and keyboard shortcuts. Every operation item presses the
// programming page's button, so it does exactly what the button does and only while the
// button is enabled (and the programming page is shown):
//   Ctrl+O "打开文件" (any page), Ctrl+W and F5 "一键写Flash", Ctrl+R "读取Flash",
//   Ctrl+Shift+R "读配置字", Esc "停止", Ctrl+L "清空信息", Ctrl+1 / Ctrl+2 the two tabs.
// "文件" also holds the recent files under "打开文件".
class MainMenu : public QObject {
    Q_OBJECT
public:
    enum class Item {
        Open,
        Quit,
        WriteFlash,
        ReadFlash,
        ReadConfig,
        Stop,
        ClearLog,
        ProgramTab,
        DebugTab,
        Count
    };

    MainMenu(const SharedState& state, CProgrammeDlg& page, QTabWidget& tabs,
             QObject* parent = nullptr);

    QMenuBar* bar() const { return bar_; }
    QMenu* recentMenu() const { return recent_; }
    QAction* action(Item item) const { return actions_[static_cast<int>(item)]; }
    void setRecentFiles(const QStringList& files);
    void retitle();

Q_SIGNALS:
    void recentChosen(const QString& path);
    void quitRequested();

private:
    QAction* add(QMenu* menu, Item item, const QList<QKeySequence>& keys);
    void trigger(Item item);

    const SharedState& state_;
    CProgrammeDlg& page_;
    QTabWidget& tabs_;
    QMenuBar* bar_;
    QMenu* file_;
    QMenu* recent_;
    QMenu* operations_;
    QMenu* view_;
    QAction* actions_[static_cast<int>(Item::Count)] = {};
    QStringList recentFiles_;
};

}  // namespace tessel

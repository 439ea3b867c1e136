#pragma once

#include <QDateTime>
#include <QListWidget>

#include <cstdint>

class QMenu;

namespace tessel {

// The programming page's messages list. Every line keeps the time it was added (shown as
// its tooltip); a right-click offers to copy the selected lines and to save the whole list
// as text with the time of each line.
class MessageList : public QListWidget {
    Q_OBJECT
public:
    static constexpr int kTimeRole = Qt::UserRole + 1;

    explicit MessageList(QWidget* parent = nullptr);

    // Adds a line at the end and selects it, so that the list scrolls to it.
    void appendLine(const QString& text, const QDateTime& when = QDateTime::currentDateTime());
    QStringList lines() const;
    // One line per message, "yyyy-MM-dd HH:mm:ss.zzz  text", each ended by a line feed.
    QString timedText() const;
    // The selected lines (all of them when none is selected), one a line.
    QString selectedText() const;
    void copySelection() const;
    // Writes timedText() to path in UTF-8; false when the file cannot be written.
    bool saveTo(const QString& path) const;

    void setLanguage(uint8_t language) { language_ = language; }
    // The context menu, built in the current language (the caller owns it).
    QMenu* makeContextMenu(QWidget* parent);

Q_SIGNALS:
    // "保存日志…" was chosen: the page asks where and calls saveTo().
    void saveRequested();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Ctrl+C copies the selected lines (all of them), as the menu's "复制" does.
    void keyPressEvent(QKeyEvent* event) override;
    // A list that showed its last line still shows it after it shrank (the progress bar and
    // the result picture appear below it), so the verdict of an operation stays in view.
    void resizeEvent(QResizeEvent* event) override;

private:
    uint8_t language_ = 0;
};

}  // namespace tessel

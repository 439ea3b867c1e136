#include "pages/program/messagelist.h"

#include "app/messages.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QSaveFile>
#include <QScrollBar>

namespace tessel {
namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");

}  // namespace

MessageList::MessageList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void MessageList::appendLine(const QString& text, const QDateTime& when) {
    auto* item = new QListWidgetItem(text);
    item->setData(kTimeRole, when);
    item->setToolTip(when.toString(kTimeFormat));
    addItem(item);
    setCurrentRow(count() - 1, QItemSelectionModel::ClearAndSelect);
}

QStringList MessageList::lines() const {
    QStringList out;
    for (int i = 0; i < count(); ++i)
        out << item(i)->text();
    return out;
}

QString MessageList::timedText() const {
    QString out;
    for (int i = 0; i < count(); ++i) {
        const QListWidgetItem* it = item(i);
        out += it->data(kTimeRole).toDateTime().toString(kTimeFormat) + QLatin1String("  ") +
               it->text() + QLatin1Char('\n');
    }
    return out;
}

QString MessageList::selectedText() const {
    QStringList out;
    for (int i = 0; i < count(); ++i) {
        if (item(i)->isSelected())
            out << item(i)->text();
    }
    return (out.isEmpty() ? lines() : out).join(QLatin1Char('\n'));
}

void MessageList::copySelection() const {
    QApplication::clipboard()->setText(selectedText());
}

bool MessageList::saveTo(const QString& path) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = timedText().toUtf8();
    return file.write(text) == text.size() && file.commit();
}

QMenu* MessageList::makeContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    QAction* copy = menu->addAction(message(Msg::CopyLog, language_));
    copy->setObjectName(QStringLiteral("copyLog"));
    copy->setEnabled(count() > 0);
    connect(copy, &QAction::triggered, this, &MessageList::copySelection);
    QAction* save = menu->addAction(message(Msg::SaveLog, language_));
    save->setObjectName(QStringLiteral("saveLog"));
    save->setEnabled(count() > 0);
    connect(save, &QAction::triggered, this, &MessageList::saveRequested);
    return menu;
}

void MessageList::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = makeContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void MessageList::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void MessageList::resizeEvent(QResizeEvent* event) {
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    QListWidget::resizeEvent(event);
    if (atEnd)
        scrollToBottom();
}

}  // namespace tessel

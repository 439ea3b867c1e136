#include "app/widgetprompts.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

namespace tessel {

void WidgetPrompts::showMessage(const QString& text) {
    QMessageBox::information(parent_, QStringLiteral("Tessel"), text);
}

void WidgetPrompts::showWarning(const QString& text) {
    QMessageBox::warning(parent_, QStringLiteral("Tessel"), text);
}

bool WidgetPrompts::confirm(const QString& text) {
    return QMessageBox::question(parent_, QStringLiteral("Tessel"), text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

Prompts::Answer WidgetPrompts::ask(const QString& text, const std::function<bool()>& withdrawn) {
    if (withdrawn())
        return Answer::Withdrawn;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Tessel"), text,
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.setDefaultButton(QMessageBox::No);
    constexpr int kWithdrawn = -1;
    // Looked at a few times a second: the box goes as soon as its reason has gone.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &box, [&] {
        if (withdrawn())
            box.done(kWithdrawn);
    });
    watch.start(100);
    const int answer = box.exec();
    if (answer == kWithdrawn)
        return Answer::Withdrawn;
    return answer == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

QString WidgetPrompts::startFolder() const {
    const QString folder =
        profile_.readString(QStringLiteral("InitParameters"), QString::fromLatin1(kFolderKey));
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

void WidgetPrompts::rememberFolderOf(const QString& path) {
    if (path.isEmpty())
        return;
    profile_.writeString(QStringLiteral("InitParameters"), QString::fromLatin1(kFolderKey),
                         QFileInfo(path).absolutePath());
}

QString WidgetPrompts::openFileName(const QString& filter) {
    const QString path = QFileDialog::getOpenFileName(parent_, QString(), startFolder(), filter);
    rememberFolderOf(path);
    return path;
}

QString WidgetPrompts::saveFileName(const QString& defaultName, const QString& filter) {
    // The writer appends the extension and asks about the file it would really replace.
    const QString start = QFileInfo(defaultName).isAbsolute()
                              ? defaultName
                              : QDir(startFolder()).filePath(defaultName);
    const QString path = QFileDialog::getSaveFileName(parent_, QString(), start, filter, nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    rememberFolderOf(path);
    return path;
}

bool WidgetPrompts::confirmOverwrite(const QString& question) {
    return QMessageBox::question(parent_, QStringLiteral("Tessel"), question,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace tessel

#include "app/widgetprompts.h"

#include <QFileDialog>
#include <QMessageBox>

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

QString WidgetPrompts::openFileName(const QString& filter) {
    return QFileDialog::getOpenFileName(parent_, QString(), QString(), filter);
}

QString WidgetPrompts::saveFileName(const QString& defaultName, const QString& filter) {
    // The writer appends the extension and asks about the file it would really replace.
    return QFileDialog::getSaveFileName(parent_, QString(), defaultName, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

bool WidgetPrompts::confirmOverwrite(const QString& question) {
    return QMessageBox::question(parent_, QStringLiteral("Tessel"), question,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace tessel

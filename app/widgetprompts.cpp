#include "app/widgetprompts.h"

#include <QFileDialog>
#include <QMessageBox>

namespace tessel {

void WidgetPrompts::showMessage(const QString& text) {
    QMessageBox::information(parent_, QStringLiteral("Tessel"), text);
}

QString WidgetPrompts::openFileName(const QString& filter) {
    return QFileDialog::getOpenFileName(parent_, QString(), QString(), filter);
}

QString WidgetPrompts::saveFileName(const QString& defaultName, const QString& filter) {
    return QFileDialog::getSaveFileName(parent_, QString(), defaultName, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

}  // namespace tessel

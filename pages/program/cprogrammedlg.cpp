#include "pages/program/cprogrammedlg.h"

#include "link/cmusbhid.h"

#include <QListWidget>
#include <QVBoxLayout>

namespace tessel {

CProgrammeDlg::CProgrammeDlg(SharedState& state, CMUSBHid& transport, QWidget* parent)
    : QWidget(parent),
      state_(state),
      transport_(transport),
      messages_(new QListWidget(this)),
      connection_(state, transport, *this, [this](bool on) { setButtonsEnabled(on); }) {
    messages_->setObjectName(QStringLiteral("messages"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(messages_);
    connect(&transport_, &CMUSBHid::linkNotification, this, &CProgrammeDlg::onLinkNotification);
}

void CProgrammeDlg::appendLog(const QString& line) {
    messages_->addItem(line);
    messages_->setCurrentRow(messages_->count() - 1);
}

QStringList CProgrammeDlg::logLines() const {
    QStringList out;
    for (int i = 0; i < messages_->count(); ++i)
        out << messages_->item(i)->text();
    return out;
}

void CProgrammeDlg::layoutForChip() {}

void CProgrammeDlg::applyLanguage() {}

void CProgrammeDlg::setButtonsEnabled(bool enabled) {
    buttonsEnabled_ = enabled;
}

void CProgrammeDlg::onLinkNotification(const LinkNotification& n) {
    connection_.handle(n);
}

}  // namespace tessel

#include "app/aboutdlg.h"

#include "res/artwork.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace tessel {

AboutDlg::AboutDlg(const SharedState& state, QWidget* parent) : QDialog(parent) {
    setWindowTitle(state.text(Msg::AboutTitle));
    auto* icon = new QLabel(this);
    icon->setPixmap(artwork::appIcon().pixmap(48, 48));
    auto* software = new QLabel(state.text(Msg::AboutSoftware), this);
    software->setObjectName(QStringLiteral("softwareVersion"));
    const QString version =
        state.boardVersion.isEmpty() ? QStringLiteral("--") : state.boardVersion;
    auto* firmware = new QLabel(state.text(Msg::BoardVersion, qUtf8Printable(version)), this);
    firmware->setObjectName(QStringLiteral("firmwareVersion"));
    auto* hardware = new QLabel(state.text(Msg::AboutHardware), this);
    hardware->setObjectName(QStringLiteral("hardwareVersion"));
    auto* profile =
        new QLabel(state.text(Msg::AboutProfile, qUtf8Printable(state.profilePath)), this);
    profile->setObjectName(QStringLiteral("profilePath"));
    profile->setTextInteractionFlags(Qt::TextSelectableByMouse);

    // Said plainly, so that a customer's installation is never in it unnoticed.
    auto* layout = new QLabel(
        state.text(state.engineeringLayout ? Msg::AboutEngineeringOn : Msg::AboutEngineeringOff),
        this);
    layout->setObjectName(QStringLiteral("engineeringLayout"));

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(state.text(Msg::AboutOk), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("aboutOk"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 5, 1, Qt::AlignTop);
    grid->addWidget(software, 0, 1);
    grid->addWidget(firmware, 1, 1);
    grid->addWidget(hardware, 2, 1);
    grid->addWidget(profile, 3, 1);
    grid->addWidget(layout, 4, 1);
    grid->addWidget(buttons, 5, 0, 1, 2);
}

}  // namespace tessel

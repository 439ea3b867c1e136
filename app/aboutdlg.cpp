#include "app/aboutdlg.h"

#include "res/artwork.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace tessel {

AboutDlg::AboutDlg(const SharedState& state, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("关于 Tessel"));
    auto* icon = new QLabel(this);
    icon->setPixmap(artwork::appIcon().pixmap(48, 48));
    auto* software = new QLabel(QStringLiteral("Tessel 调试烧录--V1.0.1.1a"), this);
    software->setObjectName(QStringLiteral("softwareVersion"));
    auto* firmware =
        new QLabel(QStringLiteral("下位机版本:") +
                       (state.boardVersion.isEmpty() ? QStringLiteral("--") : state.boardVersion),
                   this);
    firmware->setObjectName(QStringLiteral("firmwareVersion"));
    auto* hardware = new QLabel(QStringLiteral("HardWare:USB调试烧录器-V1.4"), this);
    auto* profile = new QLabel(QStringLiteral("Parameters.ini: ") + state.profilePath, this);
    profile->setObjectName(QStringLiteral("profilePath"));
    profile->setTextInteractionFlags(Qt::TextSelectableByMouse);

    // Said plainly, so that a customer's installation is never in it unnoticed.
    auto* layout = new QLabel(state.engineeringLayout
                                  ? QStringLiteral("工程布局: 已打开 (m_check_engineering=1)")
                                  : QStringLiteral("工程布局: 关闭"),
                              this);
    layout->setObjectName(QStringLiteral("engineeringLayout"));

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
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

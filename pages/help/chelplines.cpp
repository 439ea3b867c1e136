#include "pages/help/chelplines.h"

#include "app/chipcatalogue.h"
#include "app/messages.h"
#include "res/artwork.h"
#include "res/wiring.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <array>

namespace tessel {
namespace {

struct Leaf {
    const char* text;
    int picture;
};

struct ChipGroup {
    const char* text;
    std::array<Leaf, 2> leaves;  // an empty text ends the list early
};

const char* const kRoot = "VU-RA";
constexpr int kTitlePicture = 159;

// The tree under the root, in order. Note the KR5815 group: its debugging picture has the lower
// number.
// clang-format off
constexpr std::array<ChipGroup, 9> kGroups = {{
    {"KR4121",            {{{"21烧录", 150},         {"21调试", 157}}}},
    {"KR4111",            {{{"11烧录", 152},         {"11调试", 151}}}},
    {"KR4112",            {{{"12烧录", 154},         {"12调试", 153}}}},
    {"KR4152",            {{{"52烧录", 164},         {"52调试", 165}}}},
    {"KR4113/4161/4115W", {{{"13/61/15W烧录", 156},  {"13/61/15W调试", 155}}}},
    {"KR4115/56/17",      {{{"15/56/17烧录", 167},   {"15/56/17调试", 166}}}},
    {"KR4116",            {{{"16烧录", 179},         {"16调试", 178}}}},
    {"KR5815",            {{{"5815烧录", 192},       {"5815调试", 190}}}},
    {"KR5812/5712",       {{{"5812/5712烧录调试", 194}, {"", 0}}}},
}};
// clang-format on

// The chip group of kGroups that holds each chip's wiring, by chip index: the KR4113 group
// also serves KR4161 and KR4115W, the KR5815 group the whole KR58xx family, and the
// KR5812/5712 group the MCU01 designs and VE5812.
constexpr std::array<int, kChipCount> kGroupOfChip = {0, 1, 2, 3, 4, 5, 4, 6, 8, 8, 7, 7, 7, 8};

}  // namespace

CHelpLines::CHelpLines(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("helpLines"));
    setWindowTitle(message(Msg::HelpTitle, Language::Chinese));
    setWindowIcon(artwork::appIcon());

    pictures_.insert(kTitlePicture, artwork::titlePicture());
    for (const wiring::Diagram& d : wiring::kDiagrams)
        pictures_.insert(d.resourceId, artwork::wiringPicture(d.resourceId));

    group_ = new QGroupBox(message(Msg::HelpTitle, Language::Chinese), this);
    tree_ = new QTreeWidget(group_);
    tree_->setObjectName(QStringLiteral("wiringTree"));
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    tree_->setMinimumWidth(180);
    picture_ = new QLabel(group_);
    picture_->setObjectName(QStringLiteral("wiringPicture"));
    picture_->setFixedSize(wiring::kWidth, wiring::kHeight);
    note_ = new QLabel(group_);  // stays empty

    auto* top = new QHBoxLayout;
    top->addWidget(tree_, 1);
    top->addWidget(picture_, 0, Qt::AlignTop);
    auto* inner = new QVBoxLayout(group_);
    inner->addLayout(top, 1);
    inner->addWidget(note_);
    (new QVBoxLayout(this))->addWidget(group_);

    buildTree();
    // The selection, not the current item: a tree that gets the focus makes its first item
    // current without selecting it, and that must not change the picture.
    connect(tree_, &QTreeWidget::itemSelectionChanged, this, &CHelpLines::onSelectionChanged);
}

void CHelpLines::buildTree() {
    auto* root = new QTreeWidgetItem(tree_, QStringList{QString::fromLatin1(kRoot)});
    for (const ChipGroup& g : kGroups) {
        auto* node = new QTreeWidgetItem(root, QStringList{QString::fromUtf8(g.text)});
        for (const Leaf& leaf : g.leaves) {
            if (leaf.text[0] != '\0')
                new QTreeWidgetItem(node, QStringList{QString::fromUtf8(leaf.text)});
        }
    }
}

int CHelpLines::pictureFor(const QString& itemText) {
    for (const ChipGroup& g : kGroups) {
        for (const Leaf& leaf : g.leaves) {
            if (leaf.text[0] != '\0' && itemText == QString::fromUtf8(leaf.text))
                return leaf.picture;
        }
    }
    return itemText == QLatin1String(kRoot) ? kTitlePicture : 0;
}

void CHelpLines::onSelectionChanged() {
    const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
    if (selected.isEmpty())
        return;
    const int id = pictureFor(selected.first()->text(0));
    if (id == 0)
        return;  // a chip group keeps the picture on show
    shown_ = id;
    picture_->setPixmap(pictures_.value(id));
}

const QPixmap* CHelpLines::shownPixmap() const {
    const auto it = pictures_.constFind(shown_);
    return it == pictures_.constEnd() ? nullptr : &it.value();
}

QString CHelpLines::programmingEntryFor(int chip) {
    if (chip < 0 || chip >= int(kGroupOfChip.size()))
        return QString();
    return QString::fromUtf8(kGroups[size_t(kGroupOfChip[size_t(chip)])].leaves[0].text);
}

void CHelpLines::showForChip(int chip) {
    // The first showing opens on the chip's programming wiring; later ones keep what the
    // user chose.
    if (!shownBefore_) {
        shownBefore_ = true;
        const QString entry = programmingEntryFor(chip);
        QTreeWidgetItem* root = tree_->topLevelItem(0);
        root->setExpanded(true);
        for (int g = 0; g < root->childCount(); ++g) {
            QTreeWidgetItem* node = root->child(g);
            for (int l = 0; l < node->childCount(); ++l) {
                if (node->child(l)->text(0) != entry)
                    continue;
                node->setExpanded(true);
                tree_->setCurrentItem(node->child(l));
                node->child(l)->setSelected(true);
            }
        }
    }
    showAndRaise();
}

void CHelpLines::showAndRaise() {
    shownBefore_ = true;
    show();
    raise();
    activateWindow();
}

void CHelpLines::applyLanguage(uint8_t language) {
    const QString title = message(Msg::HelpTitle, language);
    setWindowTitle(title);
    group_->setTitle(title);
}

}  // namespace tessel

#pragma once

#include <QDialog>
#include <QHash>
#include <QPixmap>

#include <cstdint>

class QGroupBox;
class QLabel;
class QTreeWidget;

namespace tessel {

// The wiring-help window: a fixed tree of chip groups with a programming and a debugging entry
// each, and the wiring diagram of the selected entry. The main window creates it hidden at
// start-up and shows it on "接线说明"; closing it only hides it, so it keeps its selection and
// picture between showings.
class CHelpLines : public QDialog {
    Q_OBJECT
public:
    explicit CHelpLines(QWidget* parent = nullptr);

    // Shows the window, or brings it to the front when it is already shown.
    void showAndRaise();
    // The "接线说明" button: the first time, the tree opens expanded on the chip's
    // programming entry with its picture; afterwards the window keeps the user's selection.
    void showForChip(int chip);
    // The programming entry of a chip ("21烧录" for KR4121); empty for an unknown index.
    static QString programmingEntryFor(int chip);
    // The window title and the group caption of the language (0 Chinese, 1 English).
    void applyLanguage(uint8_t language);

    // The picture an item text selects, or 0 for a text that selects none (a chip group).
    static int pictureFor(const QString& itemText);

    QTreeWidget& tree() { return *tree_; }
    // The resource number of the picture on show, 0 while the picture area is empty.
    int shownPicture() const { return shown_; }
    const QPixmap* shownPixmap() const;

private:
    void buildTree();
    void onSelectionChanged();

    QGroupBox* group_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QLabel* picture_ = nullptr;
    QLabel* note_ = nullptr;
    QHash<int, QPixmap> pictures_;
    int shown_ = 0;
    bool shownBefore_ = false;
};

}  // namespace tessel

// The hex grid: cell colours, the in-place hex editor and the header check boxes.
#include "pages/program/cmlistctrl.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using tessel::CMListCtrl;

namespace {

const QColor kRed(0xFF, 0, 0);
const QColor kBlack(0, 0, 0);

// The programming page's EEPROM grid: address column and 8 byte columns.
std::unique_ptr<CMListCtrl> eepromGrid(int rows) {
    auto grid = std::make_unique<CMListCtrl>();
    grid->addColumn(QStringLiteral("EEPROM"), 52);
    for (int c = 0; c < 8; ++c)
        grid->addColumn(QString::number(c), 38);
    grid->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        grid->setItemText(row, 0, QStringLiteral("0x%1").arg(row * 8, 4, 16, QLatin1Char('0')));
        for (int c = 1; c <= 8; ++c)
            grid->setByteCell(row, c, 0xFF);
    }
    grid->setEditableRange(0, rows == 256 ? 255 : 128, 1, 8);
    grid->resize(400, 300);
    grid->show();
    return grid;
}

QPoint cellCentre(CMListCtrl& grid, int row, int column) {
    const QModelIndex index = grid.model()->index(row, column);
    grid.scrollTo(index);
    return grid.visualRect(index).center();
}

void doubleClick(CMListCtrl& grid, int row, int column) {
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, cellCentre(grid, row, column));
}

}  // namespace

class TestCMListCtrl : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void byteCell_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("zero") << 0x00 << "00" << kRed;
        QTest::newRow("lower-case hex") << 0xAB << "ab" << kRed;
        QTest::newRow("fe") << 0xFE << "fe" << kRed;
        QTest::newRow("erased") << 0xFF << "ff" << kBlack;
        QTest::newRow("low byte only") << 0x1FF << "ff" << kBlack;
        QTest::newRow("low byte red") << 0x134 << "34" << kRed;
    }
    void byteCell() {
        QFETCH(int, value);
        QFETCH(QString, text);
        QFETCH(QColor, colour);
        auto grid = eepromGrid(4);
        grid->setByteCell(2, 3, value);
        QCOMPARE(grid->itemText(2, 3), text);
        QCOMPARE(grid->cellTextColour(2, 3), colour);
        // The cell's neighbours are left alone.
        QCOMPARE(grid->itemText(2, 4), QStringLiteral("ff"));
        QCOMPARE(grid->cellTextColour(2, 4), kBlack);
    }

    void byteCellOutsideGrid() {
        auto grid = eepromGrid(128);
        grid->setByteCell(128, 1, 0x12);
        grid->setByteCell(-1, 1, 0x12);
        grid->setByteCell(0, 9, 0x12);
        QCOMPARE(grid->rowCount(), 128);
        QCOMPARE(grid->columnCount(), 9);
        QCOMPARE(grid->itemText(127, 1), QStringLiteral("ff"));
    }

    void defaultColoursAndTextColour() {
        CMListCtrl grid;
        grid.addColumn(QStringLiteral("a"), 40);
        grid.addColumn(QStringLiteral("b"), 40);
        grid.setRowCount(3);
        const QColor text = grid.palette().color(QPalette::Text);
        const QColor base = grid.palette().color(QPalette::Base);
        QCOMPARE(grid.cellTextColour(2, 1), text);
        QCOMPARE(grid.cellBackground(2, 1), base);
        // Column 1 of every row.
        grid.setCellTextColour(1, -1, Qt::blue, true);
        QCOMPARE(grid.cellTextColour(0, 1), QColor(Qt::blue));
        QCOMPARE(grid.cellTextColour(2, 1), QColor(Qt::blue));
        QCOMPARE(grid.cellTextColour(2, 0), text);
        // Every column of row 0.
        grid.setCellTextColour(-1, 0, Qt::green, false);
        QCOMPARE(grid.cellTextColour(0, 0), QColor(Qt::green));
        QCOMPARE(grid.cellTextColour(0, 1), QColor(Qt::green));
        QCOMPARE(grid.cellTextColour(1, 1), QColor(Qt::blue));
        // A column added later gives the existing rows default colours.
        grid.addColumn(QStringLiteral("c"), 40);
        QCOMPARE(grid.cellTextColour(1, 2), text);
        grid.addRowColours(1);
        QCOMPARE(grid.cellTextColour(1, 1), text);
    }

    void columnBackground_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QList<int>>("coloured");
        QTest::newRow("1 row") << 1 << QList<int>{0};
        QTest::newRow("5 rows: all") << 5 << QList<int>{0, 1, 2, 3, 4};
        QTest::newRow("6 rows: row 5") << 6 << QList<int>{5};
        QTest::newRow("9 rows: row 5") << 9 << QList<int>{5};
    }
    void columnBackground() {
        QFETCH(int, rows);
        QFETCH(QList<int>, coloured);
        CMListCtrl grid;
        for (int c = 0; c < 4; ++c)
            grid.addColumn(QString(), 40);
        grid.setRowCount(rows);
        const QColor base = grid.palette().color(QPalette::Base);
        const QColor cyan = QColor(0, 0xFF, 0xFF);
        grid.setColumnBackground(2, cyan);
        for (int r = 0; r < rows; ++r) {
            QCOMPARE(grid.cellBackground(r, 2), coloured.contains(r) ? cyan : base);
            QCOMPARE(grid.cellBackground(r, 1), base);
        }
    }

    void parseHex_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("1ff keeps the low byte") << "1ff" << 0xFF;
        QTest::newRow("upper case") << "A5" << 0xA5;
        QTest::newRow("one digit") << "7" << 0x07;
        QTest::newRow("0x prefix") << "0x1f" << 0x1F;
        QTest::newRow("leading blanks") << "  3c" << 0x3C;
        QTest::newRow("stops at non-hex") << "12g4" << 0x12;
        QTest::newRow("not hex") << "zz" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("lone 0x") << "0x" << 0;
        QTest::newRow("minus one") << "-1" << 0xFF;
        QTest::newRow("ten digits") << "ffffffff12" << 0x12;
        QTest::newRow("only 10 characters read") << "123456789abc" << 0x9A;
        QTest::newRow("non-latin text") << QString::fromUtf8("数据") << 0;
        QTest::newRow("pasted after a line end") << "\r\n5a" << 0x5A;
        QTest::newRow("tab and form feed") << "\t\f0x7e" << 0x7E;
    }
    void parseHex() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(CMListCtrl::parseHexByte(text), value);
    }

    void editRange_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("edits");
        QTest::newRow("address column") << 128 << 0 << 0 << false;
        QTest::newRow("first byte") << 128 << 0 << 1 << true;
        QTest::newRow("last byte of 128 rows") << 128 << 127 << 8 << true;
        QTest::newRow("address column, last row") << 128 << 127 << 0 << false;
        QTest::newRow("row 255 of 256 rows") << 256 << 255 << 8 << true;
        QTest::newRow("row 200 of 256 rows") << 256 << 200 << 4 << true;
    }
    void editRange() {
        QFETCH(int, rows);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(bool, edits);
        auto grid = eepromGrid(rows);
        doubleClick(*grid, row, column);
        QCOMPARE(grid->isEditing(), edits);
        if (edits) {
            QCOMPARE(grid->editRow(), row);
            QCOMPARE(grid->editColumn(), column);
            QVERIFY(grid->editor()->isVisible());
            QCOMPARE(grid->editor()->text(), QStringLiteral("ff"));
            QCOMPARE(grid->editor()->selectedText(), QStringLiteral("ff"));
            const QRect cell = grid->visualRect(grid->model()->index(row, column));
            QCOMPARE(grid->editor()->geometry(), cell);
        }
    }

    void rowBeyondGridDoesNotEdit() {
        // The page opens rows 0 to 128; a grid of 128 rows has no row 128.
        auto grid = eepromGrid(128);
        QVERIFY(!grid->startEdit(128, 1));
        QVERIFY(!grid->isEditing());
        QVERIFY(!grid->isEditableCell(128, 1));
    }

    void editingSwitchedOff() {
        auto grid = eepromGrid(8);
        grid->setEditableRange(-1, -1, -1, -1);
        doubleClick(*grid, 1, 1);
        QVERIFY(!grid->isEditing());
        QVERIFY(!grid->startEdit(0, 0));
    }

    void commit_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("enter") << "enter" << 0 << 1 << "5a" << 0 << 0x5A << "5a" << kRed;
        QTest::newRow("1ff shown black")
            << "enter" << 3 << 2 << "1ff" << 25 << 0xFF << "ff" << kBlack;
        QTest::newRow("escape commits")
            << "escape" << 10 << 8 << "00" << 87 << 0x00 << "00" << kRed;
        QTest::newRow("click elsewhere") << "click" << 5 << 4 << "c3" << 43 << 0xC3 << "c3" << kRed;
        QTest::newRow("click on the address")
            << "clickaddress" << 6 << 5 << "7" << 52 << 0x07 << "07" << kRed;
        QTest::newRow("not hex gives 0") << "enter" << 1 << 1 << "xyz" << 8 << 0 << "00" << kRed;
        QTest::newRow("enter on the list")
            << "listenter" << 2 << 7 << "ee" << 22 << 0xEE << "ee" << kRed;
        QTest::newRow("escape on the list")
            << "listescape" << 127 << 8 << "1" << 1023 << 1 << "01" << kRed;
    }
    void commit() {
        QFETCH(QString, how);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(int, index);
        QFETCH(int, value);
        QFETCH(QString, text);
        QFETCH(QColor, colour);
        auto grid = eepromGrid(128);
        QSignalSpy spy(grid.get(), &CMListCtrl::byteEdited);
        doubleClick(*grid, row, column);
        QVERIFY(grid->isEditing());
        QLineEdit* editor = grid->editor();
        // Typing replaces the selected text.
        QTest::keyClicks(editor, typed);
        QCOMPARE(editor->text(), typed);
        QCOMPARE(spy.count(), 0);

        if (how == QLatin1String("enter")) {
            QTest::keyClick(editor, Qt::Key_Return);
        } else if (how == QLatin1String("escape")) {
            QTest::keyClick(editor, Qt::Key_Escape);
        } else if (how == QLatin1String("click")) {
            const int other = row == 0 ? 1 : row - 1;
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(*grid, other, 1));
        } else if (how == QLatin1String("clickaddress")) {
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(*grid, row, 0));
        } else {
            grid->setFocus();
            QTest::keyClick(grid.get(),
                            how == QLatin1String("listenter") ? Qt::Key_Enter : Qt::Key_Escape);
        }

        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy[0][0].toInt(), index);
        QCOMPARE(spy[0][1].toInt(), value);
        QCOMPARE(grid->itemText(row, column), text);
        QCOMPARE(grid->cellTextColour(row, column), colour);
        QVERIFY(!grid->isEditing());
        QCOMPARE(grid->editRow(), -1);
        QCOMPARE(grid->editColumn(), -1);
        QVERIFY(!editor->isVisible());
        // A second commit has nothing to do.
        grid->commitEdit();
        QCOMPARE(spy.count(), 1);
    }

    void secondEditCommitsFirst() {
        auto grid = eepromGrid(16);
        QSignalSpy spy(grid.get(), &CMListCtrl::byteEdited);
        QVERIFY(grid->startEdit(1, 1));
        grid->editor()->setText(QStringLiteral("12"));
        QVERIFY(grid->startEdit(2, 2));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy[0][0].toInt(), 8);
        QCOMPARE(spy[0][1].toInt(), 0x12);
        QCOMPARE(grid->editRow(), 2);
        QCOMPARE(grid->editor()->text(), QStringLiteral("ff"));
    }

    void shrinkingDropsTheEdit() {
        auto grid = eepromGrid(256);
        QSignalSpy spy(grid.get(), &CMListCtrl::byteEdited);
        QVERIFY(grid->startEdit(200, 3));
        grid->setRowCount(128);
        QVERIFY(!grid->isEditing());
        grid->commitEdit();
        QCOMPARE(spy.count(), 0);
        QCOMPARE(grid->rowCount(), 128);
    }

    void editorMovesPastCellImage() {
        auto grid = eepromGrid(8);
        QPixmap lamp(12, 12);
        lamp.fill(Qt::green);
        grid->setSmallImageList({lamp});
        grid->setItemImage(1, 2, 0);
        QVERIFY(grid->startEdit(1, 2));
        const QRect cell = grid->visualRect(grid->model()->index(1, 2));
        QCOMPARE(grid->editor()->geometry().left(), cell.left() + 16);
        QCOMPARE(grid->editor()->geometry().right(), cell.right());
    }

    void headerToggle() {
        CMListCtrl grid;
        grid.addColumn(QStringLiteral("Parameters"), 80);
        for (int ch = 0; ch < 3; ++ch)
            grid.addColumn(QString(), 42);
        grid.addRow(QStringLiteral("Channel"));
        grid.setHeaderImage(0, CMListCtrl::Checked);  // column 0 never toggles
        grid.setHeaderImage(1, CMListCtrl::Checked);
        grid.setHeaderImage(2, CMListCtrl::Unchecked);
        // column 3 has no image
        grid.resize(300, 120);
        grid.show();
        QSignalSpy spy(&grid, &CMListCtrl::headerToggled);
        QHeaderView* header = grid.horizontalHeader();
        const auto click = [&](int column) {
            const QPoint at(
                header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                header->height() / 2);
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        };

        click(1);
        QCOMPARE(grid.headerImage(1), 1);
        click(1);
        QCOMPARE(grid.headerImage(1), 2);
        click(2);
        QCOMPARE(grid.headerImage(2), 2);
        click(0);
        QCOMPARE(grid.headerImage(0), 2);
        click(3);
        QCOMPARE(grid.headerImage(3), 0);

        QCOMPARE(spy.count(), 3);
        QCOMPARE(spy[0], (QList<QVariant>{0, 1}));
        QCOMPARE(spy[1], (QList<QVariant>{0, 2}));
        QCOMPARE(spy[2], (QList<QVariant>{1, 2}));
        // The header shows the image of the header list.
        QVERIFY(
            grid.model()->headerData(1, Qt::Horizontal, Qt::DecorationRole).canConvert<QPixmap>());
        QVERIFY(!grid.model()->headerData(3, Qt::Horizontal, Qt::DecorationRole).isValid());
    }

    void cellColoursReachThePaintedPicture() {
        auto grid = eepromGrid(8);
        grid->setByteCell(0, 1, 0x00);
        grid->setShowGrid(false);
        const QColor green(0, 0x80, 0);
        grid->setColumnBackground(3, green);  // 8 rows: row 5 only
        const QImage shot = grid->viewport()->grab().toImage();
        const QRect coloured = grid->visualRect(grid->model()->index(5, 3));
        const QRect plain = grid->visualRect(grid->model()->index(4, 3));
        QCOMPARE(QColor(shot.pixel(coloured.left() + 2, coloured.top() + 2)), green);
        QCOMPARE(QColor(shot.pixel(plain.left() + 2, plain.top() + 2)),
                 grid->palette().color(QPalette::Base));
        // The red text of a programmed byte: some pixels of the cell are red.
        const QRect red = grid->visualRect(grid->model()->index(0, 1));
        int reddish = 0;
        for (int y = red.top(); y <= red.bottom(); ++y)
            for (int x = red.left(); x <= red.right(); ++x) {
                const QColor c(shot.pixel(x, y));
                if (c.red() > 200 && c.green() < 80 && c.blue() < 80)
                    ++reddish;
            }
        QVERIFY(reddish > 3);
    }
};

QTEST_MAIN(TestCMListCtrl)
#include "tst_cmlistctrl.moc"

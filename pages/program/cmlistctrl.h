#pragma once

#include <QColor>
#include <QPixmap>
#include <QTableView>
#include <QVector>

class QLineEdit;

namespace tessel {

class CMListModel;

// A report-style list with a text and a background colour for every cell, header images
// (the debug page's channel check boxes) and an in-place hex editor for a rectangle of cells.
//
// The programming page uses it as an EEPROM grid (column 0 the address, columns 1 to 8 the
// bytes of a row); the debug page as its parameter grid, with editing switched off.
class CMListCtrl : public QTableView {
    Q_OBJECT
public:
    // Header images of the default header image list.
    enum HeaderImage { NoImage = 0, Unchecked = 1, Checked = 2 };

    explicit CMListCtrl(QWidget* parent = nullptr);
    ~CMListCtrl() override;

    // Columns. Adding a column gives every existing row default colours for it.
    int addColumn(const QString& title, int width, Qt::Alignment align = Qt::AlignCenter);
    void setColumnTitle(int column, const QString& title);
    QString columnTitle(int column) const;
    int columnCount() const;
    // Removes every row and every column.
    void clearAll();

    // Rows. New rows carry the default colours (window text on window background).
    // Shrinking drops the rows beyond the new count; an edit of a dropped row is abandoned.
    void setRowCount(int rows);
    int rowCount() const;
    int addRow(const QString& firstCell = QString());
    // Gives the row its colour arrays again: default text and background in every column.
    void addRowColours(int row);

    void setItemText(int row, int column, const QString& text);
    QString itemText(int row, int column) const;
    // An index into the small image list; -1 shows no image.
    void setItemImage(int row, int column, int image);
    int itemImage(int row, int column) const;

    // A row of -1 means every row, a column of -1 every column.
    void setCellTextColour(int column, int row, const QColor& colour, bool redraw = true);
    // The background of the column: in every row while the list has fewer than 6 rows,
    // otherwise in row 5 only (the debug grid's "Color" row).
    void setColumnBackground(int column, const QColor& colour);
    QColor cellTextColour(int row, int column) const;
    QColor cellBackground(int row, int column) const;

    // Header images: an index into the header image list (the small image list when the
    // header list is empty). The default header list is blank, unchecked box, checked box.
    void setHeaderImage(int column, int image);
    int headerImage(int column) const;
    void setHeaderImageList(const QVector<QPixmap>& images);
    void setSmallImageList(const QVector<QPixmap>& images);

    // The byte setter of the EEPROM grids: lower-case two-digit hex; red while the byte is
    // not erased (not 0xFF), black when it is. Cells outside the grid are left alone.
    void setByteCell(int row, int column, int value);

    // Rows and columns (bounds included) whose cells a double click opens for editing.
    // A range of -1 switches editing off.
    void setEditableRange(int firstRow, int lastRow, int firstColumn, int lastColumn);
    bool isEditableCell(int row, int column) const;

    // Opens the in-place editor on a cell of the editable range; false when the cell is
    // outside it or outside the list. An edit that is still open elsewhere is committed first.
    bool startEdit(int row, int column);
    // Writes the editor's text into the cell as a hex byte and reports it (byteEdited).
    // Does nothing when no edit is open.
    void commitEdit();
    bool isEditing() const { return editRow_ >= 0; }
    int editRow() const { return editRow_; }
    int editColumn() const { return editColumn_; }
    QLineEdit* editor() const { return editor_; }

    // The byte an edited text stands for: the text as hexadecimal (an optional 0x prefix,
    // at most 10 characters looked at), its low byte; 0 when it is not hexadecimal.
    static int parseHexByte(const QString& text);

Q_SIGNALS:
    // An edit was committed: index = row * 8 + column - 1, value = the new byte.
    void byteEdited(int index, int value);
    // A header check box was clicked: channel = column - 1, image = the new image (1 or 2).
    void headerToggled(int channel, int image);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;

private:
    void onHeaderClicked(int column);
    void placeEditor();
    void abandonEdit();

    CMListModel* model_;
    QLineEdit* editor_ = nullptr;
    int editRow_ = -1;
    int editColumn_ = -1;
    int firstRow_ = 0;
    int lastRow_ = 255;
    int firstColumn_ = 0;
    int lastColumn_ = 255;
};

}  // namespace tessel

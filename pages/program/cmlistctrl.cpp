#include "pages/program/cmlistctrl.h"

#include <QAbstractTableModel>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cctype>

namespace tessel {

namespace {

QPixmap checkBoxPicture(bool checked) {
    QPixmap pm(13, 13);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.fillRect(0, 0, 13, 13, Qt::white);
    p.setPen(QColor(0x33, 0x33, 0x33));
    p.drawRect(0, 0, 12, 12);
    if (checked) {
        QPen pen(QColor(0x10, 0x10, 0x10));
        pen.setWidth(2);
        p.setPen(pen);
        p.drawLine(3, 6, 5, 9);
        p.drawLine(5, 9, 10, 3);
    }
    return pm;
}

QVector<QPixmap> defaultHeaderImages() {
    QPixmap blank(13, 13);
    blank.fill(Qt::transparent);
    return {blank, checkBoxPicture(false), checkBoxPicture(true)};
}

}  // namespace

// The cells of the list: text, colours and image per cell; title, alignment and image per
// column header.
class CMListModel : public QAbstractTableModel {
public:
    struct Row {
        QVector<QString> text;
        QVector<QColor> fg;
        QVector<QColor> bg;
        QVector<int> image;
    };
    struct Column {
        QString title;
        Qt::Alignment align;
        int headerImage = -1;  // -1: the header shows no image
    };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(columns.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        const Row& r = rows[index.row()];
        const int c = index.column();
        switch (role) {
            case Qt::DisplayRole:
                return r.text[c];
            case Qt::ForegroundRole:
                return QBrush(r.fg[c]);
            case Qt::BackgroundRole:
                return QBrush(r.bg[c]);
            case Qt::DecorationRole:
                if (r.image[c] >= 0 && r.image[c] < smallImages.size())
                    return smallImages[r.image[c]];
                return {};
            case Qt::TextAlignmentRole:
                return QVariant::fromValue(columns[c].align | Qt::AlignVCenter);
            default:
                return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= columns.size())
            return {};
        const Column& col = columns[section];
        switch (role) {
            case Qt::DisplayRole:
                return col.title;
            case Qt::DecorationRole: {
                const QVector<QPixmap>& list = headerImages.isEmpty() ? smallImages : headerImages;
                if (col.headerImage >= 0 && col.headerImage < list.size())
                    return list[col.headerImage];
                return {};
            }
            case Qt::TextAlignmentRole:
                return QVariant::fromValue(col.align | Qt::AlignVCenter);
            default:
                return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
    }

    void fillDefaults(Row& r) const {
        const int n = static_cast<int>(columns.size());
        r.text.resize(n);
        r.fg.fill(defaultText, n);
        r.bg.fill(defaultBackground, n);
        r.image.resize(n);
        std::fill(r.image.begin(), r.image.end(), -1);
    }

    bool validCell(int row, int column) const {
        return row >= 0 && row < rows.size() && column >= 0 && column < columns.size();
    }

    void cellsChanged(int row0, int col0, int row1, int col1) {
        if (row0 <= row1 && col0 <= col1)
            Q_EMIT dataChanged(index(row0, col0), index(row1, col1));
    }

    void headerChanged(int column) { Q_EMIT headerDataChanged(Qt::Horizontal, column, column); }
    void allHeadersChanged() {
        if (!columns.isEmpty())
            Q_EMIT headerDataChanged(Qt::Horizontal, 0, static_cast<int>(columns.size()) - 1);
    }

    void insertColumnAtEnd(const QString& title, Qt::Alignment align) {
        const int n = static_cast<int>(columns.size());
        beginInsertColumns(QModelIndex(), n, n);
        columns.push_back({title, align, -1});
        for (Row& r : rows) {
            r.text.push_back(QString());
            r.fg.push_back(defaultText);
            r.bg.push_back(defaultBackground);
            r.image.push_back(-1);
        }
        endInsertColumns();
    }

    void resizeRows(int count) {
        const int n = static_cast<int>(rows.size());
        if (count > n) {
            beginInsertRows(QModelIndex(), n, count - 1);
            rows.resize(count);
            for (int i = n; i < count; ++i)
                fillDefaults(rows[i]);
            endInsertRows();
        } else if (count < n) {
            beginRemoveRows(QModelIndex(), count, n - 1);
            rows.resize(count);
            endRemoveRows();
        }
    }

    void clearAll() {
        beginResetModel();
        rows.clear();
        columns.clear();
        endResetModel();
    }

    QVector<Row> rows;
    QVector<Column> columns;
    QVector<QPixmap> headerImages = defaultHeaderImages();
    QVector<QPixmap> smallImages;
    QColor defaultText;
    QColor defaultBackground;
};

CMListCtrl::CMListCtrl(QWidget* parent) : QTableView(parent), model_(new CMListModel(this)) {
    model_->defaultText = palette().color(QPalette::Text);
    model_->defaultBackground = palette().color(QPalette::Base);
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::StrongFocus);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &CMListCtrl::onHeaderClicked);
}

CMListCtrl::~CMListCtrl() = default;

int CMListCtrl::addColumn(const QString& title, int width, Qt::Alignment align) {
    model_->insertColumnAtEnd(title, align);
    const int column = model_->columnCount() - 1;
    setColumnWidth(column, width);
    return column;
}

void CMListCtrl::setColumnTitle(int column, const QString& title) {
    if (column < 0 || column >= model_->columnCount())
        return;
    model_->columns[column].title = title;
    model_->headerChanged(column);
}

QString CMListCtrl::columnTitle(int column) const {
    if (column < 0 || column >= model_->columnCount())
        return {};
    return model_->columns[column].title;
}

int CMListCtrl::columnCount() const {
    return model_->columnCount();
}

void CMListCtrl::clearAll() {
    abandonEdit();
    model_->clearAll();
}

void CMListCtrl::setRowCount(int rows) {
    rows = std::max(0, rows);
    if (editRow_ >= rows)
        abandonEdit();
    model_->resizeRows(rows);
}

int CMListCtrl::rowCount() const {
    return model_->rowCount();
}

int CMListCtrl::addRow(const QString& firstCell) {
    const int row = model_->rowCount();
    model_->resizeRows(row + 1);
    if (!firstCell.isEmpty())
        setItemText(row, 0, firstCell);
    return row;
}

void CMListCtrl::addRowColours(int row) {
    if (row < 0 || row >= model_->rowCount())
        return;
    CMListModel::Row& r = model_->rows[row];
    r.fg.fill(model_->defaultText, model_->columnCount());
    r.bg.fill(model_->defaultBackground, model_->columnCount());
    model_->cellsChanged(row, 0, row, model_->columnCount() - 1);
}

void CMListCtrl::setItemText(int row, int column, const QString& text) {
    if (!model_->validCell(row, column))
        return;
    model_->rows[row].text[column] = text;
    model_->cellsChanged(row, column, row, column);
}

QString CMListCtrl::itemText(int row, int column) const {
    return model_->validCell(row, column) ? model_->rows[row].text[column] : QString();
}

void CMListCtrl::setItemImage(int row, int column, int image) {
    if (!model_->validCell(row, column))
        return;
    model_->rows[row].image[column] = image;
    model_->cellsChanged(row, column, row, column);
}

int CMListCtrl::itemImage(int row, int column) const {
    return model_->validCell(row, column) ? model_->rows[row].image[column] : -1;
}

void CMListCtrl::setCellTextColour(int column, int row, const QColor& colour, bool redraw) {
    const int rows = model_->rowCount();
    const int columns = model_->columnCount();
    const int r0 = row < 0 ? 0 : row;
    const int r1 = row < 0 ? rows - 1 : std::min(row, rows - 1);
    const int c0 = column < 0 ? 0 : column;
    const int c1 = column < 0 ? columns - 1 : std::min(column, columns - 1);
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c)
            model_->rows[r].fg[c] = colour;
    // Without a redraw the colour shows at the list's next repaint.
    if (redraw)
        model_->cellsChanged(r0, c0, r1, c1);
}

void CMListCtrl::setColumnBackground(int column, const QColor& colour) {
    if (column < 0 || column >= model_->columnCount())
        return;
    const int rows = model_->rowCount();
    if (rows < 6) {
        for (int r = 0; r < rows; ++r)
            model_->rows[r].bg[column] = colour;
        model_->cellsChanged(0, column, rows - 1, column);
    } else {
        model_->rows[5].bg[column] = colour;
        model_->cellsChanged(5, column, 5, column);
    }
}

QColor CMListCtrl::cellTextColour(int row, int column) const {
    return model_->validCell(row, column) ? model_->rows[row].fg[column] : QColor();
}

QColor CMListCtrl::cellBackground(int row, int column) const {
    return model_->validCell(row, column) ? model_->rows[row].bg[column] : QColor();
}

void CMListCtrl::setHeaderImage(int column, int image) {
    if (column < 0 || column >= model_->columnCount())
        return;
    model_->columns[column].headerImage = image;
    model_->headerChanged(column);
}

int CMListCtrl::headerImage(int column) const {
    if (column < 0 || column >= model_->columnCount())
        return 0;
    return std::max(0, model_->columns[column].headerImage);
}

void CMListCtrl::setHeaderImageList(const QVector<QPixmap>& images) {
    model_->headerImages = images;
    model_->allHeadersChanged();
}

void CMListCtrl::setSmallImageList(const QVector<QPixmap>& images) {
    model_->smallImages = images;
    model_->cellsChanged(0, 0, model_->rowCount() - 1, model_->columnCount() - 1);
    model_->allHeadersChanged();
}

void CMListCtrl::setByteCell(int row, int column, int value) {
    if (!model_->validCell(row, column))
        return;
    const int byte = value & 0xFF;
    CMListModel::Row& r = model_->rows[row];
    r.text[column] = QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0'));
    r.fg[column] = byte != 0xFF ? QColor(0xFF, 0, 0) : QColor(0, 0, 0);
    model_->cellsChanged(row, column, row, column);
}

void CMListCtrl::setEditableRange(int firstRow, int lastRow, int firstColumn, int lastColumn) {
    firstRow_ = firstRow;
    lastRow_ = lastRow;
    firstColumn_ = firstColumn;
    lastColumn_ = lastColumn;
}

bool CMListCtrl::isEditableCell(int row, int column) const {
    return model_->validCell(row, column) && row >= firstRow_ && row <= lastRow_ &&
           column >= firstColumn_ && column <= lastColumn_;
}

bool CMListCtrl::startEdit(int row, int column) {
    if (!isEditableCell(row, column))
        return false;
    if (row == editRow_ && column == editColumn_)
        return true;
    commitEdit();
    editRow_ = row;
    editColumn_ = column;
    if (!editor_) {
        editor_ = new QLineEdit(viewport());
        editor_->setFrame(true);
        editor_->installEventFilter(this);
        editor_->hide();
    }
    editor_->setFont(font());
    placeEditor();
    editor_->setText(itemText(row, column));
    editor_->selectAll();
    editor_->show();
    editor_->setFocus();
    return true;
}

void CMListCtrl::commitEdit() {
    if (!isEditing())
        return;
    const int row = editRow_;
    const int column = editColumn_;
    const int value = parseHexByte(editor_->text());
    setByteCell(row, column, value);
    const bool hadFocus = editor_->hasFocus();
    editRow_ = -1;
    editColumn_ = -1;
    editor_->hide();
    if (hadFocus)
        setFocus();
    Q_EMIT byteEdited(row * 8 + column - 1, value);
}

void CMListCtrl::abandonEdit() {
    if (!isEditing())
        return;
    const bool hadFocus = editor_->hasFocus();
    editRow_ = -1;
    editColumn_ = -1;
    editor_->hide();
    if (hadFocus)
        setFocus();
}

int CMListCtrl::parseHexByte(const QString& text) {
    // The editor's text as 8-bit text of at most 10 bytes, read as hexadecimal the way the
    // C library reads it: leading blanks, a sign, an optional 0x, then hex digits up to the
    // first other character.
    const QByteArray bytes = text.toLocal8Bit().left(10);
    int i = 0;
    const int n = bytes.size();
    // The white space "%x" skips: blank, tabs, new line, carriage return, form feed.
    auto space = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    while (i < n && space(bytes[i]))
        ++i;
    bool negative = false;
    if (i < n && (bytes[i] == '+' || bytes[i] == '-')) {
        negative = bytes[i] == '-';
        ++i;
    }
    if (i + 2 < n && bytes[i] == '0' && (bytes[i + 1] == 'x' || bytes[i + 1] == 'X') &&
        std::isxdigit(static_cast<unsigned char>(bytes[i + 2])))
        i += 2;
    quint64 value = 0;
    for (; i < n; ++i) {
        const char ch = bytes[i];
        int digit;
        if (ch >= '0' && ch <= '9')
            digit = ch - '0';
        else if (ch >= 'a' && ch <= 'f')
            digit = ch - 'a' + 10;
        else if (ch >= 'A' && ch <= 'F')
            digit = ch - 'A' + 10;
        else
            break;
        value = value * 16 + static_cast<quint64>(digit);
    }
    if (negative)
        value = ~value + 1;
    return static_cast<int>(value & 0xFF);
}

void CMListCtrl::placeEditor() {
    if (!isEditing() || !editor_)
        return;
    QRect r = visualRect(model_->index(editRow_, editColumn_));
    if (itemImage(editRow_, editColumn_) >= 0)
        r.setLeft(r.left() + 16);
    editor_->setGeometry(r);
}

void CMListCtrl::onHeaderClicked(int column) {
    if (column <= 0 || column >= model_->columnCount())
        return;
    const int image = headerImage(column);
    if (image == 0)
        return;
    const int toggled = image == 1 ? 2 : 1;
    setHeaderImage(column, toggled);
    Q_EMIT headerToggled(column - 1, toggled);
}

void CMListCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        commitEdit();
    QTableView::mousePressEvent(event);
}

void CMListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid() &&
        startEdit(index.row(), index.column())) {
        event->accept();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void CMListCtrl::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (isEditing() && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)) {
        commitEdit();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

bool CMListCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            commitEdit();
            return true;
        }
    }
    return QTableView::eventFilter(watched, event);
}

void CMListCtrl::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    placeEditor();
}

void CMListCtrl::updateGeometries() {
    QTableView::updateGeometries();
    placeEditor();
}

}  // namespace tessel

#include "MemoryGrid.h"

#include "KeyCodes.h"
#include "ProgramLook.h"
#include "SpokenText.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

// Each column as wide as its header with six blanks after it, so that the grey empty area
// shows at the right.
const QStringList kHeaderTexts = {QStringLiteral("N°      "), QStringLiteral("FREQUENCE      "),
                                  QStringLiteral("MODE      ")};
constexpr int kRowHeight = 16;  // a 240-twip row, whatever the font
const QColor kSilver(192, 192, 192);

// The grid lines, drawn on each cell's right and bottom edges: black around the fixed
// channel-number cells, silver between the others.
class GridLines : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(index.column() == MemoryGrid::kChannelColumn ? QColor(Qt::black) : kSilver);
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->restore();
    }
};

// A cell that a screen reader reads as its channel and what the channel holds, not as a bare
// number: "Canal 05 : 14 200 000 hertz, USB".
class MemoryCell : public QTableWidgetItem {
public:
    QVariant data(int role) const override {
        const QTableWidget* table = tableWidget();
        if (role != Qt::AccessibleTextRole || table == nullptr)
            return QTableWidgetItem::data(role);
        const auto text = [&](int column) {
            const QTableWidgetItem* cell = table->item(row(), column);
            return cell != nullptr ? cell->text() : QString();
        };
        return SpokenText::memoryCell(column(), row(), text(MemoryGrid::kFrequencyColumn),
                                      text(MemoryGrid::kModeColumn));
    }
};

}  // namespace

MemoryGrid::MemoryGrid(QWidget* parent) : QTableWidget(kRows - 1, kColumns, parent) {
    const QFont font = windowFont();
    setFont(font);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);  // one pixel: twenty rows and a header fit
    setLineWidth(1);

    buildHeader(font);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(kRowHeight);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The panel places the rows in sight itself; the table moves only for the operator.
    setAutoScroll(false);
    setTabKeyNavigation(false);  // Tab goes on to the next control
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(false);
    setItemDelegate(new GridLines(this));
    // The empty area grey; the header's cells ruled in black like the channel numbers'.
    setStyleSheet(
        QStringLiteral("QTableWidget { background: rgb(128, 128, 128); }"
                       "QHeaderView { background: rgb(128, 128, 128); }"
                       "QHeaderView::section { background: palette(button);"
                       " color: palette(button-text); padding: 0px; border: none;"
                       " border-right: 1px solid black; border-bottom: 1px solid black; }"));
    fillCells();

    connect(this, &QTableWidget::doubleClicked, this, &MemoryGrid::dblClick);
    connect(this, &QTableWidget::pressed, this, &MemoryGrid::selectRowOnClick);
}

// The header row in the table's own font, never made bold by the selection.
void MemoryGrid::buildHeader(const QFont& font) {
    QHeaderView* header = horizontalHeader();
    header->setFont(font);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setMinimumSectionSize(0);
    header->setFixedHeight(kRowHeight);
    for (int column = 0; column < kColumns; ++column) {
        setHorizontalHeaderItem(column, new QTableWidgetItem(kHeaderTexts[column].trimmed()));
        setColumnWidth(column, QFontMetrics(font).horizontalAdvance(kHeaderTexts[column]));
    }
}

void MemoryGrid::fillCells() {
    for (int row = 0; row < rowCount(); ++row) {
        for (int column = 0; column < kColumns; ++column) {
            auto* item = new MemoryCell;
            if (column == 0) {
                // The channel-number column is fixed: shown like the header, never selected.
                item->setFlags(Qt::ItemIsEnabled);
                item->setBackground(palette().button());
                item->setTextAlignment(Qt::AlignCenter);
            } else {
                item->setBackground(palette().base());
            }
            setItem(row, column, item);
        }
    }
}

QTableWidgetItem* MemoryGrid::cell(int row, int column) const {
    if (row < 1 || row >= kRows || column < 0 || column >= kColumns)
        return nullptr;
    return item(row - 1, column);
}

int MemoryGrid::row() const {
    return std::max(currentRow(), 0) + 1;
}

void MemoryGrid::setRow(int row) {
    selectCell(row, col());
}

int MemoryGrid::col() const {
    return std::max(currentColumn(), 0);
}

void MemoryGrid::setCol(int column) {
    selectCell(row(), column);
}

void MemoryGrid::selectCell(int row, int column) {
    if (cell(row, column) == nullptr)
        return;
    selectionModel()->setCurrentIndex(model()->index(row - 1, column),
                                      QItemSelectionModel::ClearAndSelect);
}

void MemoryGrid::selectRowOnClick(const QModelIndex& index) {
    // A click selects the row's frequency and mode, whichever cell it hit.
    const QModelIndex first = model()->index(index.row(), 1);
    const QModelIndex last = model()->index(index.row(), kColumns - 1);
    selectionModel()->setCurrentIndex(model()->index(index.row(), std::max(index.column(), 1)),
                                      QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(first, last), QItemSelectionModel::ClearAndSelect);
}

void MemoryGrid::setText(const QString& text) {
    if (QTableWidgetItem* current = cell(row(), col()))
        current->setText(text);
}

QString MemoryGrid::textMatrix(int row, int column) const {
    const QTableWidgetItem* found = cell(row, column);
    return found != nullptr ? found->text() : QString();
}

void MemoryGrid::setClip(const QString& text) {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.size() == 1)
        item(selected.first().row(), selected.first().column())->setText(text);
}

int MemoryGrid::topRow() const {
    return verticalScrollBar()->value() + 1;
}

void MemoryGrid::setTopRow(int row) {
    verticalScrollBar()->setValue(row - 1);
}

void MemoryGrid::keyPressEvent(QKeyEvent* event) {
    if (qint16 code = characterCode(event); code != 0)
        emit keyPress(code);
    QTableWidget::keyPressEvent(event);
    scrollTo(currentIndex());  // the operator's arrows and page keys bring the cell in sight
}

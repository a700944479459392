#include "MemoryGrid.h"

#include "KeyCodes.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>

namespace {

// Each column as wide as its header with six blanks after it.
const QStringList kHeaderTexts = {QStringLiteral("N°      "), QStringLiteral("FREQUENCE      "),
                                  QStringLiteral("MODE      ")};
constexpr int kRowHeight = 16;  // a 240-twip row

}  // namespace

MemoryGrid::MemoryGrid(QWidget* parent) : QTableWidget(kRows - 1, kColumns, parent) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    setFont(font);

    for (int column = 0; column < kColumns; ++column)
        setHorizontalHeaderItem(column, new QTableWidgetItem(kHeaderTexts[column].trimmed()));
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setStyleSheet(
        QStringLiteral("QTableWidget { gridline-color: rgb(192, 192, 192);"
                       " background: rgb(128, 128, 128); }"));
    fillCells();

    connect(this, &QTableWidget::doubleClicked, this, &MemoryGrid::dblClick);
    connect(this, &QTableWidget::pressed, this, &MemoryGrid::selectRowOnClick);
}

void MemoryGrid::fillCells() {
    for (int row = 0; row < rowCount(); ++row) {
        for (int column = 0; column < kColumns; ++column) {
            auto* item = new QTableWidgetItem;
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

void MemoryGrid::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    fitColumns();
}

// The columns share the table's width in the proportions of their headers, so that all three
// stay in sight whatever the font.
void MemoryGrid::fitColumns() {
    QList<int> natural;
    int total = 0;
    for (const QString& header : kHeaderTexts)
        total += natural.emplace_back(fontMetrics().horizontalAdvance(header));
    int left = viewport()->width();
    for (int column = 0; column < kColumns - 1; ++column) {
        const int width = viewport()->width() * natural[column] / total;
        setColumnWidth(column, width);
        left -= width;
    }
    setColumnWidth(kColumns - 1, left);
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

QString MemoryGrid::text() const {
    return textMatrix(row(), col());
}

void MemoryGrid::setText(const QString& text) {
    if (QTableWidgetItem* current = cell(row(), col()))
        current->setText(text);
}

QString MemoryGrid::textMatrix(int row, int column) const {
    const QTableWidgetItem* found = cell(row, column);
    return found != nullptr ? found->text() : QString();
}

QString MemoryGrid::clip() const {
    QModelIndexList selected = selectionModel()->selectedIndexes();
    std::sort(selected.begin(), selected.end(), [](const QModelIndex& a, const QModelIndex& b) {
        return std::pair(a.row(), a.column()) < std::pair(b.row(), b.column());
    });
    QStringList texts;
    for (const QModelIndex& index : selected) {
        if (index.row() == currentRow())
            texts << index.data().toString();
    }
    return texts.join(u'\t');
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
}

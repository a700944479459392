#pragma once

#include <QTableWidget>

// The memory table: a header row and one row per channel, numbered as the panel numbers them
// (row 0 the header, channel n in row n + 1), with columns for the channel number, the
// frequency and the mode. It offers the handful of operations the panel works with: the
// current cell, its text, the selected text, the first visible row, and its double click
// and key press.
class MemoryGrid : public QTableWidget {
    Q_OBJECT

public:
    static constexpr int kRows = 101;  // the header and channels 00 to 99
    static constexpr int kColumns = 3;
    static constexpr int kChannelColumn = 0;
    static constexpr int kFrequencyColumn = 1;
    static constexpr int kModeColumn = 2;
    static constexpr int rowOf(int channel) { return channel + 1; }

    explicit MemoryGrid(QWidget* parent = nullptr);

    int row() const;
    void setRow(int row);  // makes that cell of the current column the selection
    int col() const;
    void setCol(int column);
    void setText(const QString& text);
    QString textMatrix(int row, int column) const;

    // Writes the text into the selected cell, when one cell alone is selected.
    void setClip(const QString& text);

    int topRow() const;  // the first data row in sight
    void setTopRow(int row);

signals:
    void dblClick();
    void keyPress(qint16& keyAscii);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildHeader(const QFont& font);
    void fillCells();
    void selectCell(int row, int column);
    void selectRowOnClick(const QModelIndex& index);
    QTableWidgetItem* cell(int row, int column) const;
};

// Rows of plain texts for a list that shows no files, such as the Verify
// window's: the control asks for them as it draws.
#pragma once

#include "results/ListControl.h"

#include <string>
#include <vector>

namespace vesk {

class TextRows : public ListRows {
public:
    void Append(std::vector<std::wstring> cells) { rows_.push_back(std::move(cells)); }

    int RowCount() const override { return int(rows_.size()); }
    std::wstring CellText(int row, int column) const override {
        if (row < 0 || row >= RowCount() || column < 0 || size_t(column) >= rows_[size_t(row)].size())
            return {};
        return rows_[size_t(row)][size_t(column)];
    }
    RowData Data(int) const override { return {}; }

private:
    std::vector<std::vector<std::wstring>> rows_;
};

} // namespace vesk

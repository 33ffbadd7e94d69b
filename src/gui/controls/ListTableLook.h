#pragma once

class QTableView;

// The look shared by the program's list tables: whole rows selected, nothing edited in place,
// no grid, alternating row colours, one line per row with long texts shortened in the middle, no
// row numbers, and Tab moving on to the next control rather than through the cells.
void applyListTableLook(QTableView *table);

#pragma once
// Lists out of the window: the selected rows to the clipboard as
// tab-separated text with a header line, and the whole list, as shown (its
// order, its columns), to a CSV or JSON file chosen in a file dialog.
#include <QString>
#include <vector>

#include "ListContent.h"
#include "listformat/Table.h"

class QWidget;

namespace common {

class ListExport final {
public:
    // The file dialog's filters; the one chosen decides the format.
    static const QString& CsvFilter();
    static const QString& JsonFilter();

    // The list's `rows` (display positions) under its column captions, the
    // sort mark left off. Every cell as it is shown.
    static listformat::Table TableOf(const ListContent& list, const std::vector<int>& rows);

    // Selected rows, in display order, onto the clipboard. Nothing selected:
    // the clipboard is left alone.
    static void Copy(const ListContent& list);

    // Asks for a file (through the prompts) and writes the whole list to it:
    // JSON or CSV as the name's suffix says, else as the filter chosen (whose
    // suffix is then added, asking before that replaces a file). A file that
    // cannot be written is said in a message box; one written is said in the
    // pane of `parent` when it has one. Returns the file written, empty when
    // cancelled or failed.
    static QString Export(QWidget* parent, const ListContent& list);
};

}  // namespace common

#pragma once
// What a grid shows, written to a file as the desk sees it: CSV for a spreadsheet, or a right-
// to-left PDF page. The file appears whole or not at all.

#include <QString>
#include <QStringList>

class TDBGrid;

// The name the file dialog proposes: the grid's export name (else its window's caption) and
// the dates its window's date fields hold, made safe for a file name.
QString ProposedExportName(const TDBGrid* grid);

// Writes the grid's titles, every row of its dataset in order and its footer lines; by the
// name's ending, PDF for ".pdf", CSV otherwise. Raises agency::Error when the file cannot be
// written, leaving nothing under that name.
void ExportGrid(TDBGrid* grid, const QString& path);

#pragma once
// What a list or report shows, written to a file as the desk sees it: CSV for a spreadsheet, or
// a right-to-left PDF page. The file appears whole or not at all.

#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <utility>

class QPainter;
class QRect;
class QWidget;
class TDBGrid;

// The filter that made a list, as pairs of caption and typed value ("كد راننده", "12").
using TFilterText = QList<std::pair<QString, QString>>;

// One export: headed by the window's caption and its filter, then the titles, the rows, the
// totals each under its own column, and closing sentences.
struct TExportSheet {
    QString caption;
    TFilterText filter;
    QStringList titles;
    QVector<int> widths;  // relative widths of the columns, first column at the right
    std::function<void(const std::function<void(const QStringList&)>&)> rows;
    QStringList totals;  // by column, blank where a column has none; empty when the list has no totals
    QStringList footer;
    QFont font;
    // A picture of the window's own (a chart) that the PDF draws under the rest, across the page,
    // two thirds as high as wide; the CSV has none.
    std::function<void(QPainter&, const QRect&)> picture;
};

// Wraps each left-to-right run (digits, dates, Latin names) of a right-to-left text in an
// isolate, so that it reads in its own order inside the Persian.
QString IsolateLtrRuns(const QString& text);

// The name the file dialog proposes: the given name (else the window's caption) and the dates
// its window's date fields hold, made safe for a file name, its left-to-right runs isolated.
QString ProposedExportName(const QWidget* window, const QString& name);

// Writes the sheet; by the name's ending, PDF for ".pdf", CSV otherwise. Raises agency::Error
// when the file cannot be written, leaving nothing under that name.
void ExportSheet(const TExportSheet& sheet, const QString& path);
void ExportGrid(TDBGrid* grid, const QString& path);

// Asks for a file under the proposed name and writes the sheet there; nothing when cancelled.
void ExportDialog(const QWidget* window, const QString& name, const std::function<TExportSheet()>& sheet);

// Ctrl+E anywhere in the window runs the action: also in a text field, whose own binding of the
// key (end of line, on X11) would otherwise take it first.
void InstallExportKey(QWidget* window, const std::function<void()>& action);

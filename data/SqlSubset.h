#pragma once
// The program's SQL dialect: a parser that accepts exactly the statements the windows build,
// names and types their result columns, and writes the SQL that SQLite runs. Anything else is
// refused with a clear message, so text pasted from a field can never run a statement of its own.

#include "data/Schema.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace agency {

struct ResultColumn {
    QString name;      // as the windows bind to it: the alias, the column as written, or Expr1000+i
    FieldType type;    // a column's own type; sums and differences of currency are currency
    int sourceColumn;  // index into the table's columns for a plain column reference, else -1
};

struct ParsedQuery {
    const TableDef* table = nullptr;
    QVector<ResultColumn> columns;
    bool plain = false;   // no aggregate and no group by: each result row is one table row
    QString selectSql;    // the select list as SQLite SQL
    QString whereSql;     // the condition as SQLite SQL, empty when there is none
    QString groupSql;     // the group by list as SQLite SQL, empty when there is none
    QString orderSql;     // the order by list as SQLite SQL, empty when there is none
    QString from;         // the kept table that answers an aggregate query in place of table, else empty
    QString sql() const;  // the whole statement for SQLite
};

// The dialect's like: % is the only wildcard (any run of characters); _ is an ordinary letter;
// a backslash takes the character after it literally (\% a percent sign, \\ a backslash).
// Matching ignores case and the letter variants that foldText (data/Database.h) folds.
//
// The quoted text literal for "like" that matches every text containing `typed`, each typed
// character taken literally (an apostrophe, a percent sign, a backslash and the rest):
//   "where driver_name like " + likeContains(EditName->text())
QString likeContains(const QString& typed);

// Typed text as it goes into a filter's condition. A whole number (Persian digits read as digits)
// goes in as its digits; any other text goes in quoted, which the parser refuses against a number
// column with its own message, so that typed text never becomes SQL of its own.
QString numberLiteral(const QString& typed);
// Typed text as a quoted text literal, every apostrophe doubled.
QString textLiteral(const QString& typed);

// Parses one statement of the dialect. Raises agency::Error with a Persian message on anything
// outside it; nothing is run.
ParsedQuery parseSelect(const QString& text);

}  // namespace agency

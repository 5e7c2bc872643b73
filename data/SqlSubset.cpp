#include "data/SqlSubset.h"

#include "data/Errors.h"
#include "data/Totals.h"

#include <QSet>

#include <limits>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace agency {

namespace {

// ---- messages -------------------------------------------------------------------------------

QString snippetAt(const QString& sql, qsizetype pos)
{
    qsizetype end = sql.indexOf(u'\n', pos);
    if (end < 0) end = sql.size();
    return sql.mid(pos, std::min<qsizetype>(end - pos, 40)).trimmed();
}

[[noreturn]] void syntaxError(const QString& sql, qsizetype pos)
{
    const QString near = snippetAt(sql, pos);
    if (near.isEmpty()) throw Error(u"پرس و جو ناتمام مانده است"_s);
    throw Error(u"عبارت نادرست در پرس و جو نزديك «%1»"_s.arg(near));
}

[[noreturn]] void tooLarge(const QString& digits)
{
    throw Error(u"عدد بيش از اندازه بزرگ است: %1"_s.arg(digits));
}

// ---- tokens ---------------------------------------------------------------------------------

enum class Tok { Ident, Number, Text, Symbol, End };

struct Token {
    Tok kind = Tok::End;
    QString text;  // the identifier as written, the digits in ASCII, the unescaped text, or the symbol
    qsizetype pos = 0;
};

// The desk may type Persian or Arabic-Indic digits into a number field that ends up here.
bool isDigitChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= 0x06F0 && u <= 0x06F9) || (u >= 0x0660 && u <= 0x0669);
}

bool isIdentStart(QChar c)
{
    return c.isLetter() || c == u'_';
}
bool isIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

QVector<Token> tokenize(const QString& s)
{
    QVector<Token> out;
    const qsizetype n = s.size();
    qsizetype i = 0;
    for (;;) {
        while (i < n && s[i].isSpace()) ++i;
        if (i >= n) {
            out.push_back({Tok::End, {}, n});
            return out;
        }
        const qsizetype start = i;
        const QChar c = s[i];
        const QChar next = i + 1 < n ? s[i + 1] : QChar();
        if (c == u'\'') {
            QString value;
            ++i;
            for (;;) {
                if (i >= n) throw Error(u"متن داخل علامت ' بسته نشده است"_s);
                if (s[i] == u'\'') {
                    if (i + 1 < n && s[i + 1] == u'\'') {
                        value += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += s[i++];
            }
            out.push_back({Tok::Text, value, start});
        } else if (isDigitChar(c)) {
            while (i < n && isDigitChar(s[i])) ++i;
            // Only whole numbers: "12abc" and "1.5" are both refused here.
            if (i < n && (isIdentChar(s[i]) || s[i] == u'.')) syntaxError(s, start);
            out.push_back({Tok::Number, asciiDigits(s.mid(start, i - start)), start});
        } else if (isIdentStart(c)) {
            while (i < n && isIdentChar(s[i])) ++i;
            out.push_back({Tok::Ident, s.mid(start, i - start), start});
        } else if (c == u'"' || c == u'[' || c == u'`') {
            throw Error(u"نام داخل علامت %1 در پرس و جو پذيرفته نيست"_s.arg(c));
        } else if ((c == u'-' && next == u'-') || (c == u'/' && next == u'*')) {
            throw Error(u"توضيح در پرس و جو پذيرفته نيست"_s);
        } else if ((c == u'<' && (next == u'>' || next == u'=')) || (c == u'>' && next == u'=')) {
            out.push_back({Tok::Symbol, s.mid(start, 2), start});
            i += 2;
        } else if (QStringView(u"=<>+-*/(),.;").contains(c)) {
            out.push_back({Tok::Symbol, QString(c), start});
            ++i;
        } else {
            syntaxError(s, start);
        }
    }
}

// ---- syntax tree ----------------------------------------------------------------------------

struct Node;
using NodePtr = std::unique_ptr<Node>;

struct Node {
    enum Kind { Column, Number, Text, Negate, Arith, Compare, Like, In, And, Paren, Aggregate };
    Kind kind;
    qsizetype pos;
    QString name;       // column as written, operator, function in lower case, or the text literal
    QString qualifier;  // column: the table written before the dot
    qint64 number = 0;
    QList<qint64> numbers;  // in: the list
    NodePtr left, right;
    int depth = 1;  // levels of the tree below and including this node
};

// Nesting (parentheses, signs) and chains (a long "and" is a tree as deep as it is long) are
// bounded: the parser, the translator and the tree's destruction all recurse on them. The
// windows' statements stay below ten.
constexpr int kMaxDepth = 128;

[[noreturn]] void tooDeep(const QString& sql, qsizetype pos)
{
    throw Error(u"پرس و جو بيش از اندازه تو در تو يا طولاني است نزديك «%1»"_s.arg(snippetAt(sql, pos)));
}

struct ColumnName {
    QString qualifier;
    QString name;
    qsizetype pos;
};

struct SelectItem {
    NodePtr expr;
    QString alias;
};

struct Statement {
    bool star = false;
    std::vector<SelectItem> items;
    QString table;
    qsizetype tablePos = 0;
    NodePtr where;
    std::vector<ColumnName> group;
    std::vector<ColumnName> order;
};

// Words that end or join clauses; they are never column names, so a sub-query or an "or" is a
// syntax error at the word itself rather than an unknown column.
bool isReserved(const QString& word)
{
    static const QSet<QString> words = {
        u"select"_s,  u"from"_s,   u"where"_s, u"group"_s,  u"by"_s,       u"order"_s, u"as"_s,
        u"and"_s,     u"or"_s,     u"not"_s,   u"like"_s,   u"in"_s,       u"is"_s,    u"null"_s,
        u"between"_s, u"exists"_s, u"union"_s, u"having"_s, u"distinct"_s, u"asc"_s,   u"desc"_s,
    };
    return words.contains(word.toLower());
}

class Parser {
public:
    explicit Parser(const QString& sql) : m_sql(sql), m_tokens(tokenize(sql)) {}

    NodePtr makeNode(Node::Kind kind, qsizetype pos, QString name = {}, NodePtr left = {}, NodePtr right = {})
    {
        const int depth = 1 + std::max(left ? left->depth : 0, right ? right->depth : 0);
        if (depth > kMaxDepth) tooDeep(m_sql, pos);
        auto n = std::make_unique<Node>(Node{kind, pos, std::move(name), {}, 0, {}, std::move(left), std::move(right)});
        n->depth = depth;
        return n;
    }

    Statement parse()
    {
        Statement st;
        expectKeyword("select");
        if (acceptSymbol("*")) {
            st.star = true;
        } else {
            do {
                SelectItem item;
                item.expr = parseAnd();
                if (acceptKeyword("as")) {
                    if (peek().kind != Tok::Ident || isReserved(peek().text)) unexpected();
                    item.alias = take().text;
                }
                st.items.push_back(std::move(item));
            } while (acceptSymbol(","));
        }
        expectKeyword("from");
        if (peek().kind != Tok::Ident || isReserved(peek().text)) unexpected();
        st.tablePos = peek().pos;
        st.table = take().text;
        if (acceptKeyword("where")) st.where = parseAnd();
        if (acceptKeyword("group")) {
            expectKeyword("by");
            st.group = parseColumnList();
        }
        if (acceptKeyword("order")) {
            expectKeyword("by");
            st.order = parseColumnList();
        }
        acceptSymbol(";");
        if (peek().kind != Tok::End) unexpected();
        return st;
    }

private:
    // One level of the parser's own recursion, refused past the bound before it goes deeper.
    class Nesting {
    public:
        explicit Nesting(Parser& p) : m_p(p)
        {
            if (m_p.m_nesting >= kMaxDepth) tooDeep(m_p.m_sql, m_p.peek().pos);
            ++m_p.m_nesting;
        }
        ~Nesting() { --m_p.m_nesting; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        Parser& m_p;
    };

    const Token& peek() const { return m_tokens[m_at]; }
    Token take() { return m_tokens[m_at++]; }
    [[noreturn]] void unexpected() const { syntaxError(m_sql, peek().pos); }

    bool isKeyword(const char* word) const
    {
        return peek().kind == Tok::Ident && peek().text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool acceptKeyword(const char* word)
    {
        if (!isKeyword(word)) return false;
        ++m_at;
        return true;
    }
    void expectKeyword(const char* word)
    {
        if (!acceptKeyword(word)) unexpected();
    }
    bool isSymbol(const char* sym) const { return peek().kind == Tok::Symbol && peek().text == QLatin1String(sym); }
    bool acceptSymbol(const char* sym)
    {
        if (!isSymbol(sym)) return false;
        ++m_at;
        return true;
    }
    void expectSymbol(const char* sym)
    {
        if (!acceptSymbol(sym)) unexpected();
    }

    std::vector<ColumnName> parseColumnList()
    {
        std::vector<ColumnName> out;
        do {
            if (peek().kind != Tok::Ident || isReserved(peek().text)) unexpected();
            ColumnName c;
            c.pos = peek().pos;
            c.name = take().text;
            if (acceptSymbol(".")) {
                if (peek().kind != Tok::Ident || isReserved(peek().text)) unexpected();
                c.qualifier = c.name;
                c.name = take().text;
            }
            out.push_back(std::move(c));
        } while (acceptSymbol(","));
        return out;
    }

    NodePtr parseAnd()
    {
        const Nesting level(*this);
        NodePtr left = parseComparison();
        while (isKeyword("and")) {
            const qsizetype pos = take().pos;
            left = makeNode(Node::And, pos, u"AND"_s, std::move(left), parseComparison());
        }
        return left;
    }

    NodePtr parseComparison()
    {
        NodePtr left = parseAdditive();
        for (const char* op : {"=", "<>", "<", ">", "<=", ">="}) {
            if (isSymbol(op)) {
                const Token t = take();
                return makeNode(Node::Compare, t.pos, t.text, std::move(left), parseAdditive());
            }
        }
        if (isKeyword("like")) {
            const qsizetype pos = take().pos;
            return makeNode(Node::Like, pos, {}, std::move(left), parseAdditive());
        }
        // "in" takes a list of whole numbers only, such as the codes of a few rows.
        if (isKeyword("in")) {
            NodePtr n = makeNode(Node::In, take().pos, {}, std::move(left));
            expectSymbol("(");
            do {
                NodePtr item = parseUnary();
                if (item->kind != Node::Number) throw Error(u"فهرست in فقط عدد مي گيرد"_s);
                n->numbers << item->number;
            } while (acceptSymbol(","));
            expectSymbol(")");
            return n;
        }
        return left;
    }

    NodePtr parseAdditive()
    {
        NodePtr left = parseMultiplicative();
        while (isSymbol("+") || isSymbol("-")) {
            const Token t = take();
            left = makeNode(Node::Arith, t.pos, t.text, std::move(left), parseMultiplicative());
        }
        return left;
    }

    NodePtr parseMultiplicative()
    {
        NodePtr left = parseUnary();
        while (isSymbol("*") || isSymbol("/")) {
            const Token t = take();
            left = makeNode(Node::Arith, t.pos, t.text, std::move(left), parseUnary());
        }
        return left;
    }

    NodePtr parseUnary()
    {
        const Nesting level(*this);
        if (isSymbol("+")) {
            take();
            return parseUnary();
        }
        if (isSymbol("-")) {
            const qsizetype pos = take().pos;
            NodePtr operand = parseUnary();
            // A signed number stays a literal, so that a currency comparison can scale it.
            if (operand->kind == Node::Number) {
                operand->number = -operand->number;
                operand->pos = pos;
                return operand;
            }
            return makeNode(Node::Negate, pos, {}, std::move(operand));
        }
        return parsePrimary();
    }

    NodePtr parsePrimary()
    {
        const Token& t = peek();
        switch (t.kind) {
            case Tok::Number: {
                bool ok = false;
                const qint64 v = t.text.toLongLong(&ok);
                if (!ok) tooLarge(t.text);
                NodePtr n = makeNode(Node::Number, t.pos);
                n->number = v;
                take();
                return n;
            }
            case Tok::Text: {
                NodePtr n = makeNode(Node::Text, t.pos, t.text);
                take();
                return n;
            }
            case Tok::Symbol:
                if (isSymbol("(")) {
                    const qsizetype pos = take().pos;
                    NodePtr inner = parseAnd();
                    expectSymbol(")");
                    return makeNode(Node::Paren, pos, {}, std::move(inner));
                }
                unexpected();
            case Tok::End:
                unexpected();
            case Tok::Ident:
                break;
        }
        if (isReserved(t.text)) unexpected();
        const Token word = take();
        if (acceptSymbol("(")) {
            const QString fn = word.text.toLower();
            if (fn != u"sum"_s && fn != u"avg"_s && fn != u"max"_s) throw Error(u"تابع ناشناخته: %1"_s.arg(word.text));
            NodePtr arg = parseAnd();
            if (!isSymbol(")")) {
                if (isSymbol(",")) throw Error(u"تابع %1 فقط يك ورودي مي گيرد"_s.arg(word.text));
                unexpected();
            }
            take();
            return makeNode(Node::Aggregate, word.pos, fn, std::move(arg));
        }
        NodePtr n = makeNode(Node::Column, word.pos, word.text);
        if (acceptSymbol(".")) {
            if (peek().kind != Tok::Ident || isReserved(peek().text)) unexpected();
            n->qualifier = word.text;
            n->name = take().text;
        }
        return n;
    }

    const QString& m_sql;
    QVector<Token> m_tokens;
    qsizetype m_at = 0;
    int m_nesting = 0;
};

// ---- meaning and SQLite text ----------------------------------------------------------------

constexpr qint64 kCurrencyScale = 10000;

enum class Kind { Whole, Money, Real, Text };

Kind kindOf(FieldType t)
{
    switch (t) {
        case FieldType::AutoInc:
        case FieldType::Integer:
        case FieldType::Boolean:
            return Kind::Whole;
        case FieldType::Currency:
            return Kind::Money;
        case FieldType::Float:
            return Kind::Real;
        case FieldType::Text:
            break;
    }
    return Kind::Text;
}

QString quoted(const QString& name)
{
    QString s = name;
    s.replace(u'"', u"\"\""_s);
    return u'"' + s + u'"';
}

struct Value {
    QString sql;
    FieldType type = FieldType::Integer;
    bool condition = false;  // a truth value rather than a number or a text
    bool aggregate = false;
    bool literal = false;   // an integer literal, held in number
    bool compound = false;  // an operation without parentheses of its own: "a + b"
    qint64 number = 0;
    int column = -1;  // a bare column reference
};

// An operand as it may stand beside any operator: a compound one keeps its grouping.
QString operand(const Value& v)
{
    return v.compound ? u'(' + v.sql + u')' : v.sql;
}

class Translator {
public:
    Translator(const QString& sql, const TableDef& table) : m_sql(sql), m_table(table) {}

    Value select(const Node& n)
    {
        m_inWhere = false;
        Value v = translate(n);
        requireValue(v, n);
        return v;
    }

    Value where(const Node& n)
    {
        m_inWhere = true;
        Value v = translate(n);
        if (!v.condition) throw Error(u"شرط نادرست نزديك «%1»"_s.arg(snippetAt(m_sql, n.pos)));
        return v;
    }

    int column(const QString& qualifier, const QString& name) const
    {
        if (!qualifier.isEmpty() && qualifier.compare(m_table.name, Qt::CaseInsensitive) != 0)
            throw Error(u"جدول %1 در بخش from نيامده است: %1.%2"_s.arg(qualifier, name));
        const int index = m_table.columnIndex(name);
        if (index < 0) throw Error(u"ستون ناشناخته: %1"_s.arg(name));
        if (!m_inAggregate) m_plainColumns.insert(index);
        return index;
    }

    // Whether a kept table answers the query: every plain column one of its keys, every aggregate a
    // sum or an average of one of its summed columns.
    bool keptAnswers(const KeptTotals& kept) const
    {
        if (!m_foldable) return false;
        for (int c : m_plainColumns)
            if (!kept.keys.contains(m_table.columns[c].name, Qt::CaseInsensitive)) return false;
        for (int c : m_summedColumns)
            if (!kept.sums.contains(m_table.columns[c].name, Qt::CaseInsensitive)) return false;
        return true;
    }
    // The kept table the query is written for; its averages divide the sums by the counts.
    void readFrom(const KeptTotals* kept) { m_kept = kept; }

    // Columns of the select list used outside any aggregate, with their spelling.
    const QVector<QPair<int, QString>>& bareColumns() const { return m_bare; }

private:
    void requireValue(const Value& v, const Node& n) const
    {
        if (v.condition) throw Error(u"شرط به جاي مقدار آمده است نزديك «%1»"_s.arg(snippetAt(m_sql, n.pos)));
    }

    void requireNumber(const Value& v, const QString& op) const
    {
        if (kindOf(v.type) == Kind::Text) throw Error(u"عملگر %1 براي متن به كار نمي رود"_s.arg(op));
    }

    static QString asMoney(const Value& v)
    {
        switch (kindOf(v.type)) {
            case Kind::Money:
                return operand(v);
            case Kind::Whole:
                if (v.literal) {
                    if (v.number > std::numeric_limits<qint64>::max() / kCurrencyScale ||
                        v.number < std::numeric_limits<qint64>::min() / kCurrencyScale)
                        tooLarge(QString::number(v.number));
                    return QString::number(v.number * kCurrencyScale);
                }
                return u"(%1 * %2)"_s.arg(operand(v)).arg(kCurrencyScale);
            case Kind::Real:
            case Kind::Text:
                break;
        }
        return operand(v);
    }

    // For mixing with a real number: money becomes its value, whole numbers mix as they are.
    static QString asRealOperand(const Value& v)
    {
        if (kindOf(v.type) == Kind::Money) return u"(%1 / %2.0)"_s.arg(operand(v)).arg(kCurrencyScale);
        return operand(v);
    }

    // A dividend: SQLite divides whole numbers with truncation, the dialect never does.
    static QString asRealDividend(const Value& v)
    {
        if (kindOf(v.type) == Kind::Whole) return u"CAST(%1 AS REAL)"_s.arg(operand(v));
        return asRealOperand(v);
    }

    Value translate(const Node& n)
    {
        Value out;
        switch (n.kind) {
            case Node::Column: {
                const int index = column(n.qualifier, n.name);
                const ColumnDef& def = m_table.columns[index];
                out.sql = quoted(def.name);
                out.type = def.type;
                out.column = index;
                if (!m_inAggregate && !m_inWhere) m_bare.append({index, n.name});
                return out;
            }
            case Node::Number:
                out.sql = QString::number(n.number);
                out.type = FieldType::Integer;
                out.literal = true;
                out.number = n.number;
                return out;
            case Node::Text:
                out.sql = textLiteral(n.name);
                out.type = FieldType::Text;
                return out;
            case Node::Paren: {
                Value inner = translate(*n.left);
                out = inner;
                out.sql = u'(' + inner.sql + u')';
                out.literal = false;
                out.compound = false;
                out.column = -1;
                return out;
            }
            case Node::Negate: {
                const Value v = translate(*n.left);
                requireValue(v, *n.left);
                requireNumber(v, u"-"_s);
                out.sql = u"(-%1)"_s.arg(operand(v));
                out.type = v.type == FieldType::AutoInc || v.type == FieldType::Boolean ? FieldType::Integer : v.type;
                out.aggregate = v.aggregate;
                return out;
            }
            case Node::Arith:
                return arithmetic(n);
            case Node::Compare:
                return comparison(n);
            case Node::Like: {
                const Value a = translate(*n.left);
                const Value b = translate(*n.right);
                requireValue(a, *n.left);
                requireValue(b, *n.right);
                const Kind ka = kindOf(a.type);
                if ((ka != Kind::Text && ka != Kind::Whole) || kindOf(b.type) != Kind::Text)
                    throw Error(u"عملگر like فقط براي متن به كار مي رود"_s);
                out.sql = u"agency_like(%1, %2)"_s.arg(a.sql, b.sql);
                out.condition = true;
                out.aggregate = a.aggregate || b.aggregate;
                return out;
            }
            case Node::In: {
                const Value a = translate(*n.left);
                requireValue(a, *n.left);
                if (kindOf(a.type) != Kind::Whole) throw Error(u"عملگر in فقط براي عدد صحيح به كار مي رود"_s);
                QStringList items;
                for (qint64 v : n.numbers) items << QString::number(v);
                out.sql = u"%1 IN (%2)"_s.arg(a.sql, items.join(u", "_s));
                out.condition = true;
                out.aggregate = a.aggregate;
                return out;
            }
            case Node::And: {
                const Value a = translate(*n.left);
                const Value b = translate(*n.right);
                if (!a.condition || !b.condition) throw Error(u"شرط نادرست نزديك «%1»"_s.arg(snippetAt(m_sql, n.pos)));
                out.sql = a.sql + u" AND "_s + b.sql;
                out.condition = true;
                out.aggregate = a.aggregate || b.aggregate;
                return out;
            }
            case Node::Aggregate:
                return aggregate(n);
        }
        return out;
    }

    Value aggregate(const Node& n)
    {
        if (m_inWhere) throw Error(u"تابع تجمعي در بخش where پذيرفته نيست: %1"_s.arg(n.name));
        if (m_inAggregate) throw Error(u"تابع تجمعي درون تابع تجمعي پذيرفته نيست: %1"_s.arg(n.name));
        m_inAggregate = true;
        const Value arg = translate(*n.left);
        m_inAggregate = false;
        requireValue(arg, *n.left);
        if (arg.column >= 0 && n.name != u"max"_s)
            m_summedColumns.insert(arg.column);
        else
            m_foldable = false;
        const QString mean =
            m_kept ? u"(sum(%1) * 1.0 / sum(%2))"_s.arg(arg.sql, quoted(m_table.columns[arg.column].name + u"_n"_s))
                   : u"avg(%1)"_s.arg(arg.sql);

        Value out;
        out.aggregate = true;
        const Kind k = kindOf(arg.type);
        if (n.name == u"max"_s) {
            out.sql = u"max(%1)"_s.arg(arg.sql);
            out.type = arg.type == FieldType::AutoInc ? FieldType::Integer : arg.type;
            return out;
        }
        if (k == Kind::Text) throw Error(u"تابع %1 براي متن به كار نمي رود"_s.arg(n.name));
        if (n.name == u"sum"_s) {
            out.sql = u"sum(%1)"_s.arg(arg.sql);
            out.type = k == Kind::Money ? FieldType::Currency : k == Kind::Real ? FieldType::Float : FieldType::Integer;
            return out;
        }
        if (k == Kind::Money) {
            // The mean of money stays a whole count of ten-thousandths.
            out.sql = u"CAST(round(%1) AS BIGINT)"_s.arg(mean);
            out.type = FieldType::Currency;
        } else {
            out.sql = mean;
            out.type = FieldType::Float;
        }
        return out;
    }

    Value arithmetic(const Node& n)
    {
        const Value a = translate(*n.left);
        const Value b = translate(*n.right);
        requireValue(a, *n.left);
        requireValue(b, *n.right);
        requireNumber(a, n.name);
        requireNumber(b, n.name);
        const Kind ka = kindOf(a.type);
        const Kind kb = kindOf(b.type);
        const QString op = u' ' + n.name + u' ';

        Value out;
        out.aggregate = a.aggregate || b.aggregate;
        if (n.name == u"/"_s) {
            out.sql = asRealDividend(a) + op + asRealOperand(b);
            out.type = FieldType::Float;
        } else if (ka == Kind::Real || kb == Kind::Real) {
            out.sql = asRealOperand(a) + op + asRealOperand(b);
            out.type = FieldType::Float;
        } else if (n.name == u"*"_s) {
            if (ka == Kind::Money && kb == Kind::Money) {
                out.sql = asRealOperand(a) + op + asRealOperand(b);
                out.type = FieldType::Float;
            } else {
                out.sql = operand(a) + op + operand(b);
                out.type = ka == Kind::Money || kb == Kind::Money ? FieldType::Currency : FieldType::Integer;
            }
        } else if (ka == Kind::Money || kb == Kind::Money) {
            out.sql = asMoney(a) + op + asMoney(b);
            out.type = FieldType::Currency;
        } else {
            out.sql = operand(a) + op + operand(b);
            out.type = FieldType::Integer;
        }
        out.compound = true;
        return out;
    }

    Value comparison(const Node& n)
    {
        const Value a = translate(*n.left);
        const Value b = translate(*n.right);
        requireValue(a, *n.left);
        requireValue(b, *n.right);
        const Kind ka = kindOf(a.type);
        const Kind kb = kindOf(b.type);
        if ((ka == Kind::Text) != (kb == Kind::Text))
            throw Error(u"نوع دو طرف مقايسه يكسان نيست نزديك «%1»"_s.arg(snippetAt(m_sql, n.left->pos)));
        const QString op = u' ' + n.name + u' ';

        Value out;
        out.condition = true;
        out.aggregate = a.aggregate || b.aggregate;
        if (ka == Kind::Real || kb == Kind::Real)
            out.sql = asRealOperand(a) + op + asRealOperand(b);
        else if (ka == Kind::Money || kb == Kind::Money)
            out.sql = asMoney(a) + op + asMoney(b);
        else
            out.sql = operand(a) + op + operand(b);
        return out;
    }

    const QString& m_sql;
    const TableDef& m_table;
    bool m_inWhere = false;
    bool m_inAggregate = false;
    QVector<QPair<int, QString>> m_bare;
    mutable QSet<int> m_plainColumns;
    QSet<int> m_summedColumns;
    bool m_foldable = true;
    const KeptTotals* m_kept = nullptr;
};

}  // namespace

QString ParsedQuery::sql() const
{
    if (!table) return {};
    QString s = u"SELECT "_s + selectSql + u" FROM "_s + quoted(from.isEmpty() ? table->name : from);
    if (!whereSql.isEmpty()) s += u" WHERE "_s + whereSql;
    if (!groupSql.isEmpty()) s += u" GROUP BY "_s + groupSql;
    if (!orderSql.isEmpty()) s += u" ORDER BY "_s + orderSql;
    return s;
}

QString textLiteral(const QString& typed)
{
    QString s = typed;
    s.replace(u'\'', u"''"_s);
    return u'\'' + s + u'\'';
}

QString numberLiteral(const QString& typed)
{
    qint32 number = 0;
    return tryStrToInt(typed, &number) ? QString::number(number) : textLiteral(typed);
}

QString likeContains(const QString& typed)
{
    QString escaped;
    escaped.reserve(typed.size() + 2);
    for (const QChar c : typed) {
        if (c == u'%' || c == u'\\') escaped += u'\\';
        escaped += c;
    }
    return textLiteral(u'%' + escaped + u'%');
}

namespace {

// The statement written for the table, or for the kept table that answers it.
ParsedQuery translateStatement(const QString& text, const Statement& st, const TableDef& table, const KeptTotals* kept)
{
    ParsedQuery q;
    q.table = &table;
    Translator tr(text, table);
    tr.readFrom(kept);

    QStringList select;
    bool anyAggregate = false;
    if (st.star) {
        for (int i = 0; i < table.columns.size(); ++i) {
            q.columns.push_back({table.columns[i].name, table.columns[i].type, i});
            select << quoted(table.columns[i].name);
        }
    } else {
        for (int i = 0; i < int(st.items.size()); ++i) {
            const SelectItem& item = st.items[size_t(i)];
            const Value v = tr.select(*item.expr);
            anyAggregate = anyAggregate || v.aggregate;
            ResultColumn col{{}, v.type, v.column};
            if (!item.alias.isEmpty())
                col.name = item.alias;
            else if (v.column >= 0)
                col.name = item.expr->name;
            else
                col.name = u"Expr%1"_s.arg(1000 + i);
            const bool sameName = v.column >= 0 && col.name == table.columns[v.column].name;
            select << (sameName ? v.sql : v.sql + u" AS "_s + quoted(col.name));
            q.columns.push_back(col);
        }
    }
    q.selectSql = select.join(u", "_s);

    if (st.where) q.whereSql = tr.where(*st.where).sql;

    QSet<int> grouped;
    QStringList group;
    for (const ColumnName& c : st.group) {
        const int index = tr.column(c.qualifier, c.name);
        grouped.insert(index);
        group << quoted(table.columns[index].name);
    }
    q.groupSql = group.join(u", "_s);

    QStringList order;
    QVector<QPair<int, QString>> ordered;
    for (const ColumnName& c : st.order) {
        const int index = tr.column(c.qualifier, c.name);
        ordered.append({index, c.name});
        order << quoted(table.columns[index].name);
    }
    q.orderSql = order.join(u", "_s);
    // Grouped rows without an order of their own come in the order of their groups, not by chance.
    if (q.orderSql.isEmpty()) q.orderSql = q.groupSql;

    q.plain = !anyAggregate && st.group.empty();
    if (!q.plain) {
        // As the agency's old database did: a grouped row has no single value for other columns.
        QVector<QPair<int, QString>> loose = tr.bareColumns();
        if (st.star)
            for (int i = 0; i < table.columns.size(); ++i) loose.append({i, table.columns[i].name});
        loose += ordered;
        for (const auto& [index, spelling] : loose)
            if (!grouped.contains(index))
                throw Error(u"ستون %1 نه در group by آمده است و نه درون تابع تجمعي"_s.arg(spelling));
        if (!kept && table.name == u"service"_s)
            for (const KeptTotals& k : keptTotals())
                if (tr.keptAnswers(k)) {
                    ParsedQuery folded = translateStatement(text, st, table, &k);
                    folded.from = k.table;
                    return folded;
                }
    }
    return q;
}

}  // namespace

ParsedQuery parseSelect(const QString& text)
{
    if (text.trimmed().isEmpty()) throw Error(u"پرس و جو خالي است"_s);
    const Statement st = Parser(text).parse();
    const TableDef* table = findTable(st.table);
    if (!table) throw Error(u"جدول ناشناخته: %1"_s.arg(st.table));
    return translateStatement(text, st, *table, nullptr);
}

}  // namespace agency

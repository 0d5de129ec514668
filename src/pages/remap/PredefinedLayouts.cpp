#include "PredefinedLayouts.h"

#include "KeyTypeTable.h"

#include <utility>

namespace {

constexpr int NoFunction = 148; // "△": a key that sends nothing

// Layouts are written with the keys' names.
using Pairs = std::initializer_list<std::pair<const char *, const char *>>;

int typeOf(const char *name)
{
    const QString text = QString::fromUtf8(name);
    const int type = keyTypeFromName(text);
    // The name table answers 0 (Esc) for a name it does not know.
    Q_ASSERT(type != 0 || text == keyTypeName(0));
    return type;
}

QMap<int, int> byName(Pairs pairs)
{
    QMap<int, int> map;
    for (const auto &p : pairs)
        map.insert(typeOf(p.first), typeOf(p.second));
    return map;
}

QMap<int, int> defaultLayout()
{
    return byName({{"Esc", "Reset"}, {"F1", "Media"},  {"F2", "Vol-"},     {"F3", "Vol+"},    {"F4", "Mute"},
                   {"F5", "◄◄"},     {"F6", "►►"},     {"F7", "Play"},     {"F8", "Stop"},    {"F9", "Email"},
                   {"F10", "3W"},    {"F11", "File"},  {"F12", "Calc"},    {"Home", "End"},   {"PgUp", "Dir"},
                   {"\\", "RGB\nM+"}, {"Del", "Ins"},  {",", "Print"},     {".", "Scroll"},   {"/", "Pause"},
                   {"↑", "Light+"},  {"L-Win", "LockWin"}, {"←", "Spd-"}, {"↓", "Light-"},   {"→", "Spd+"}});
}

QMap<int, int> functionLayout()
{
    QMap<int, int> map = byName({{"Print", "Light-"}, {"Scroll", "Light+"}, {"Ins", "Mute"}, {"Home", "Vol-"},
                                 {"PgUp", "Vol+"},   {"Del", "◄◄"},       {"End", "Play"}, {"PgDn", "►►"}});
    map.insert(typeOf("L-Win"), NoFunction);
    return map;
}

QMap<int, int> dvorakLayout()
{
    return byName({{"-_", "["}, {"=+", "]"}, {"Q", "'"}, {"W", ","},  {"E", "."}, {"R", "P"},  {"T", "Y"},
                   {"Y", "F"},  {"U", "G"},  {"I", "C"}, {"O", "R"},  {"P", "L"}, {"[", "/"},  {"]", "=+"},
                   {"S", "O"},  {"D", "E"},  {"F", "U"}, {"G", "I"},  {"H", "D"}, {"J", "H"},  {"K", "T"},
                   {"L", "N"},  {";", "S"},  {"'", "-_"}, {"Z", ";"}, {"X", "Q"}, {"C", "J"},  {"V", "K"},
                   {"B", "X"},  {"N", "B"},  {",", "W"}, {".", "V"},  {"/", "Z"}, {"Fn", "Menu"}, {"APP", "Fn"}});
}

QMap<int, int> colemakLayout()
{
    return byName({{"E", "F"}, {"R", "P"}, {"T", "G"}, {"Y", "J"}, {"U", "L"}, {"I", "U"},
                   {"O", "Y"}, {"P", ";"}, {"S", "R"}, {"D", "S"}, {"F", "T"}, {"G", "D"},
                   {"J", "N"}, {"K", "E"}, {"L", "I"}, {";", "O"}, {"N", "K"}, {"R-Alt", "Menu"}});
}

QMap<int, int> norkmanLayout()
{
    return byName({{"W", "D"}, {"E", "R"}, {"R", "W"}, {"T", "B"}, {"Y", "J"}, {"U", "F"}, {"I", "U"}, {"O", "P"},
                   {"P", ";"}, {"D", "H"}, {"F", "T"}, {"H", "Y"}, {"J", "N"}, {"K", "E"}, {"L", "O"}, {";", "I"},
                   {"C", "M"}, {"V", "C"}, {"B", "V"}, {"N", "K"}, {"M", "L"}, {"APP", "Fn"}});
}

QMap<int, int> abcLayout()
{
    // The letter keys row by row take the alphabet in order.
    const QString rows = QStringLiteral("QWERTYUIOPASDFGHJKLZXCVBNM");
    QMap<int, int> map;
    for (int i = 0; i < rows.size(); ++i)
        map.insert(keyTypeFromName(rows.mid(i, 1)), keyTypeFromName(QString(QChar('A' + i))));
    map.insert(typeOf("R-Alt"), typeOf("Menu"));
    return map;
}

} // namespace

const QList<QMap<int, int>> &predefinedLayouts()
{
    static const QList<QMap<int, int>> layouts = {defaultLayout(), functionLayout(), dvorakLayout(),
                                                   colemakLayout(), norkmanLayout(), abcLayout()};
    return layouts;
}

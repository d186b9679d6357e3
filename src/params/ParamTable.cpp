#include "params/ParamTable.h"

#include <algorithm>

#include "params/ParamForm.h"
#include "params/SampleData.h"
#include "toolkit/TextUtil.h"

namespace {

// How a value reads and writes (ParamForm.h). A decimal form with digits is
// written zero-padded to them, one without as typed; a hexadecimal one as
// upper-case hexadecimal of at least its digits; every other form as the
// text the field holds.
constexpr TParamForm Text{TFormKind::Text};
constexpr TParamForm Phone{TFormKind::Phone};
constexpr TParamForm Address{TFormKind::IPv4};
constexpr TParamForm Digits{TFormKind::Decimal};
constexpr TParamForm Decimal4{TFormKind::Decimal, 4};
constexpr TParamForm Hex2{TFormKind::Hex, 2};
constexpr TParamForm Hex4{TFormKind::Hex, 4};

// What the operator may type into the GPRS retry fields: at most 10 tries,
// pauses of 3 to 255 minutes.
constexpr TValueRule Tries{0, 10};
constexpr TValueRule Pause{3, 255};

using C = TParamCodec;

// A field of the common or GPRS page: every generation, read and written. A
// field of limited length holds a number: typing gives digits only (a phone
// number a "+" as well).
constexpr TParamDef Field(int Page, int Tag, const char* Command, TParamForm Form,
                          const char* Control, const char* Lamp, const char* Caption,
                          const char* Default, int Length, TValueRule Rule = {}) {
    Rule.Length = Length;
    if (Length > 0)
        Rule.Keys = Form.Kind == TFormKind::Phone ? TFieldKeys::DigitsPlus : TFieldKeys::Digits;
    return {Page,   Tag,    C::Field, Command, Command, Form,    {Control},
            {Lamp}, GenAll, GenAll,   Rule,    false,   Default, Caption};
}

constexpr TParamDef Secret(TParamDef Row) {
    Row.Secret = true;
    return Row;
}

// An engineering number: generation 0 only.
constexpr TParamDef Engineering(const char* Command, const char* Control, const char* Lamp) {
    return {pgPhones, 30, C::Number, Command, Command, Phone, {Control}, {Lamp}, Gen0, Gen0, {}};
}

// Generation 1: the event code of input K (0 .. 4), restore or trigger.
constexpr TParamDef Event(const char* Command, const char* Code, const char* Box,
                          const char* Lamp) {
    return {pgInOut, 27, C::EventCode, Command, Command, Text, {Code, Box}, {Lamp}, Gen1, Gen1, {}};
}

constexpr TParamDef Table[] = {
    Field(pgCommon, 1, "+O", Decimal4, "etObjNum", "lbetObjNum", "Номер объекта", "0050", 4),
    Field(pgCommon, 2, "+h", Phone, "etPhone", "lbetPhone", "Телефон приёма тревожных сообщений ",
          SamplePhoneInternational, 16),
    Field(pgCommon, 3, "+l", Hex4, "etLat", "lbetLat",
          "Смещение по широте (рекомендуется 230, что соответствует приблизительно 50 метрам) Lat",
          "230", 4),
    Field(pgCommon, 4, "+L", Hex4, "etLon", "lbetLon",
          "Смещение по долготе (рекомендуется 300, что соответствует приблизительно 50 метрам) Lon",
          "300", 4),
    Field(pgCommon, 5, "+s", Hex2, "etGPSrestartt", "lbetGPSrestartt",
          "Время перезагрузки GPS-приёмника, если не определяются координаты (минуты, "
          "рекомендуется 5)",
          "5", 2),
    Field(pgCommon, 6, "+o", Hex2, "etGPSpostime", "lbetGPSpostime",
          "Как часто GPS-приёмник определяет координаты (секунды, от 1 до 5, рекомендуется 3)", "3",
          1),
    Field(pgCommon, 7, "+t", Hex2, "etModemCheckt", "lbetModemCheckt",
          "Как часто опрашивать состояние модема (десятки секунд, рекомендуется 6)", "6", 2),
    Field(pgCommon, 8, "+T", Hex2, "etModemTryes", "lbetModemTryes",
          "Сколько раз допустимо не получить ответ от модема (рекомендуется 3)", "3", 2),

    {pgGPRS,
     9,
     C::Switch,
     "+c",
     "+c",
     {},
     {"cbGPRS"},
     {"lbcb"},
     GenAll,
     GenAll,
     {},
     false,
     "false",
     "Включен GPRS?"},
    // The server port is text on the wire, the digits as typed.
    Field(pgGPRS, 10, "+g", Phone, "etGPRSphone", "lbetGPRSphone", "Номер телефона GPRS", "*99#",
          0),
    Field(pgGPRS, 11, "+G", Text, "etAccessPoint", "lbetAccessPoint",
          "Точка доступа GPRS (internet.mts.ru, internet.megafon.ru)", SampleAccessPoint1, 0),
    Field(pgGPRS, 12, "+B", Text, "etLoginGPRS", "lbetLoginGPRS", "Имя пользователя GPRS",
          "internet", 0),
    Secret(Field(pgGPRS, 13, "+b", Text, "etPswdGPRS", "lbetPswdGPRS", "Пароль пользователя GPRS",
                 "mirovaze", 0)),
    Field(pgGPRS, 14, "+I", Address, "etIp", "lbetIp", "IP-адрес сервера для GPRS-соединения",
          SampleServerAddress, 0),
    Field(pgGPRS, 15, "+j", Digits, "etPort", "lbetPort", "Порт сервера для GPRS-соединения",
          "3055", 0),
    Secret(Field(pgGPRS, 16, "+N", Text, "etPswd", "lbetPswd",
                 "Пароль для идентификации через GPRS", "KlenBrod", 0)),
    Field(pgGPRS, 17, "+A", Hex2, "etGPRSTryes", "lbetGPRSTryes",
          "Число попыток соединения по GPRS?", "10", 2, Tries),
    Field(pgGPRS, 18, "+a", Hex2, "etGPRSTimeout", "lbetGPRSTimeout",
          "Пауза между попытками соединения по GPRS (минуты)?", "3", 3, Pause),
    Field(pgGPRS, 19, "+D", Hex2, "etServerTryes", "lbetServerTryes",
          "Число попыток соединения с сервером?", "5", 2, Tries),
    Field(pgGPRS, 20, "+d", Hex2, "etServerTimeout", "lbetServerTimeout",
          "Пауза между попытками соединения с сервером (минуты)?", "3", 3, Pause),

    // One flag byte carries both switches: bit 0 the debug output, bit 1 the
    // receiver off; both lamps go together.
    {pgGPS,
     22,
     C::Bits,
     "+R",
     "+R",
     Hex2,
     {"cbGPSDebug", "cbGPSOff"},
     {"lbGPSOff", "lbGPSDebug"},
     Gen0,
     Gen0,
     {}},

    // The hour (Greenwich time) of the battery test.
    {pgAcc,
     23,
     C::Field,
     "+q",
     "+q",
     Hex2,
     {"seACCCheckTime"},
     {"lbseACCCheckTime"},
     Gen02,
     Gen02,
     {.Min = 1, .Max = 23, .Spin = true},
     false,
     "3",
     "Час (по Гринвичу) проверки аккумулятора"},
    {pgAcc,
     24,
     C::TestFlag,
     "+K",
     "+K",
     Hex2,
     {"cbAccTest"},
     {"lbcbAccTest"},
     Gen02,
     Gen02,
     {},
     false,
     "true",
     "Флаг тестирования аккумулятора"},
    {pgAcc, 0, C::Status, "+S", "", Hex2, {}, {}, Gen02, 0, {}},

    // Mask bit k is input row k; the fifth row is the power input.
    {pgInOut,
     27,
     C::InputMasks,
     "+Z",
     "+Z",
     Hex4,
     {"CheckBox3", "CheckBox5", "CheckBox7", "CheckBox9", "CheckBox11", "RadioButton1",
      "RadioButton2", "RadioButton3"},
     {"lbVost", "lbrb1", "lbrb2", "lbrb3"},
     Gen02,
     Gen02,
     {}},
    {pgInOut,
     27,
     C::Bits,
     "+z",
     "+z",
     Hex2,
     {"CheckBox4", "CheckBox6", "CheckBox8", "CheckBox10", "CheckBox12"},
     {"lbSrab"},
     Gen02,
     Gen02,
     {}},
    // Output 2 is bit 0, output 1 bit 1; they are set by their own request.
    {pgInOut,
     26,
     C::Outputs,
     "+k",
     "+k",
     Hex2,
     {"CheckBox1", "CheckBox2"},
     {"lbcb1", "lbcb2"},
     Gen02,
     0,
     {}},
    Event("+Z00", "Edit1", "CheckBox3", "lb1"),
    Event("+z00", "Edit2", "CheckBox4", "lb2"),
    Event("+Z01", "Edit3", "CheckBox5", "lb3"),
    Event("+z01", "Edit4", "CheckBox6", "lb4"),
    Event("+Z02", "Edit5", "CheckBox7", "lb5"),
    Event("+z02", "Edit6", "CheckBox8", "lb6"),
    Event("+Z03", "Edit7", "CheckBox9", "lb7"),
    Event("+z03", "Edit8", "CheckBox10", "lb8"),
    Event("+Z04", "Edit9", "CheckBox11", "lb9"),
    Event("+z04", "Edit10", "CheckBox12", "lb10"),
    {pgInOut, 25, C::AnyOn, "+k", "", Hex2, {"CheckBox2"}, {"lbcb2"}, Gen1, 0, {}},

    {pgFlags, 0, C::Status, "+S", "", Hex2, {}, {}, Gen02, 0, {}},
    {pgFlags, 0, C::EventFlags, "+M", "", Hex4, {}, {}, Gen02, 0, {}},

    // Written as blanks, whatever the numbers hold, while it is set.
    {pgPhones, 0, C::Option, "", "", {}, {"cbPhonesOff"}, {}, 0, 0, {}},
    Engineering("+f01", "etPhone1", "lbetPhone1"),
    Engineering("+f02", "etPhone2", "lbetPhone2"),
    Engineering("+f03", "etPhone3", "lbetPhone3"),
    Engineering("+f04", "etPhone4", "lbetPhone4"),
    Engineering("+f05", "etPhone5", "lbetPhone5"),
};

template <std::size_t N> std::vector<std::string> Named(const std::array<const char*, N>& Names) {
    std::vector<std::string> names;
    for (const char* name : Names)
        if (name)
            names.emplace_back(name);
    return names;
}

bool InGeneration(std::uint8_t Generations, int Generation) {
    const int g = Generation >= 0 && Generation <= 2 ? Generation : 0;
    return Generations & (1u << g);
}

} // namespace

bool TParamDef::ReadInGeneration(int Generation) const {
    return InGeneration(ReadIn, Generation);
}

bool TParamDef::WrittenInGeneration(int Generation) const {
    return InGeneration(WriteIn, Generation);
}

std::vector<std::string> TParamDef::ControlNames() const {
    return Named(Controls);
}

std::vector<std::string> TParamDef::LampNames() const {
    return Named(Lamps);
}

bool TParamDef::Stored() const {
    return Codec != TParamCodec::Status && Codec != TParamCodec::EventFlags;
}

std::string ShownInReports(const TParamDef& Row, const std::string& Value) {
    return Row.Secret && !Value.empty() ? "***" : Value;
}

std::string HeldNote(const TParamDef& Row, const std::string& Value) {
    return "устройство хранит " + QuotedValue(ShownInReports(Row, Value));
}

std::span<const TParamDef> ParamTable() {
    return Table;
}

std::vector<const TParamDef*> ParamsOfPage(int Page) {
    std::vector<const TParamDef*> rows;
    for (const TParamDef& row : Table)
        if (row.Page == Page)
            rows.push_back(&row);
    return rows;
}

const TParamDef* ParamOfCodec(int Page, TParamCodec Codec) {
    for (const TParamDef& row : Table)
        if (row.Page == Page && row.Codec == Codec)
            return &row;
    return nullptr;
}

const TParamDef* ParamOfControl(int Page, const std::string& Control) {
    for (const TParamDef& row : Table)
        if (row.Page == Page)
            for (const char* name : row.Controls)
                if (name && SameTextAscii(name, Control))
                    return &row;
    return nullptr;
}

int ParamTag(int Page, const std::string& Control) {
    const TParamDef* row = ParamOfControl(Page, Control);
    return row && row->Controls[0] && SameTextAscii(row->Controls[0], Control) ? row->Tag : 0;
}

int PageReadSteps(int Page, int Generation) {
    return static_cast<int>(std::count_if(std::begin(Table), std::end(Table), [&](const auto& r) {
        return r.Page == Page && r.ReadInGeneration(Generation);
    }));
}

int PageWriteSteps(int Page, int Generation) {
    return static_cast<int>(std::count_if(std::begin(Table), std::end(Table), [&](const auto& r) {
        return r.Page == Page && r.WrittenInGeneration(Generation);
    }));
}

std::vector<std::string> StoredControls(int Page) {
    std::vector<std::string> names;
    for (const TParamDef& row : Table) {
        if (row.Page != Page || !row.Stored())
            continue;
        for (const std::string& name : row.ControlNames())
            if (std::none_of(names.begin(), names.end(),
                             [&](const std::string& n) { return SameTextAscii(n, name); }))
                names.push_back(name);
    }
    return names;
}

#include "batch/BatchOptions.h"

#include <charconv>

#include "toolkit/TextUtil.h"

std::string BatchUsage() {
    return R"(Вызов: orbelin-batch КОМАНДА [параметры]
Настраивает блоки без окна: тот же код блока, страниц и настроек, те же
файлы наборов параметров (их сохраняет «Сохранить» в окне).

Команды:
  read  --port P --out unit.ini    прочитать все параметры в файл набора
  diff  --port P --in set.ini      вывести параметры, в которых блок и набор
                                   различаются (код 0 — совпадают, 1 — нет)
  write --port P --in set.ini      записать набор, прочитать каждый параметр
        [--set ИМЯ=ЗНАЧЕНИЕ]...    обратно и сохранить в EEPROM, только если
                                   всё совпало с отправленным
  write --in set.ini --units units.csv
                                   то же для многих блоков параллельно;
                                   поле, которого нет в наборе, блок
                                   сохраняет, как хранит (набор другого
                                   поколения пишется так же), и это названо
  columns                          столбцы, какие может иметь units.csv:
                                   имя, страница, подпись, форма, по умолчанию
  journal [--unit НОМЕР] [--since ДАТА] [--params] [--csv ФАЙЛ]
                                   журнал записанных блоков (этой программой
                                   и окном), строка на запись; --params —
                                   и каждый параметр записи; --csv — выгрузка
                                   в CSV; ДАТА: 2026-03-01 или 01.03.2026

Параметры:
  --port P           последовательный порт блока (или его модема)
  --phone НОМЕР      связь с блоком звонком через GSM-модем на порту P
  --no-reg-wait      звонить, не дожидаясь регистрации модема в сети
  --complete         write: набор должен задавать всё, что пишется блоку
                     его поколения; блоку, для которого в наборе чего-то
                     нет, ничего не отправляется (код 2)
  --set ИМЯ=ЗНАЧЕНИЕ значение по имени поля (etObjNum=0123) поверх набора
                     (с --units — для всех блоков; значения списка поверх);
                     не для паролей (etPswdGPRS, etPswd): командную строку
                     видит в списке процессов всякий, пока идёт работа, —
                     пароль задают в наборе (--in) или в списке (--units)
  --units ФАЙЛ       CSV, строка на блок: столбец "port", по желанию "phone"
                     и столбцы с именами полей (или подписями, как в окне;
                     см. columns) со значениями блока (пустая ячейка
                     оставляет значение набора); разделитель — запятая или
                     точка с запятой; UTF-8 (с меткой BOM или без)
                     или Windows-1251
  --jobs N           блоков одновременно (по умолчанию все блоки списка, но
                     не более 128); меньше, если столько процессов или
                     открытых файлов не позволяют ограничения системы
  --report ФАЙЛ      отчёт JSON по каждому блоку
  --log-dir ПАПКА    файл протокола на каждый блок (строки, как в log.txt)
  --limit СЕКУНД     наибольшее время на один блок, от 1 до 86400 (сутки;
                     по умолчанию 600)
  --home ПАПКА       папка с current.ini и журналом, как --home окна
                     (или ORBELIN_HOME)
  --help             эта справка

Коды завершения:
  0  все блоки проверены (прочитаны, различий нет)
  1  какой-то параметр не записан, не прочитан или различается
  2  неверный вызов или файл: ни одному блоку ничего не отправлено
  3  с каким-то блоком не удалось связаться
  4  работа прервана (Ctrl+C, SIGTERM, SIGHUP): каждый незавершённый блок
     в отчёте "interrupted", и сказано, что он получил: "ничего не
     записано" или "записано, в EEPROM не сохранено"

Примеры:
  orbelin-batch read --port /dev/ttyUSB0 --out unit.ini
  orbelin-batch diff --port /dev/ttyUSB0 --in fleet.ini
  orbelin-batch write --port /dev/ttyUSB0 --in fleet.ini --set etObjNum=0123
  orbelin-batch write --port /dev/ttyUSB0 --phone +79001234567 --in fleet.ini
  orbelin-batch write --in fleet.ini --units units.csv --report report.json \
                --log-dir logs
  orbelin-batch journal --unit 0123 --since 2026-03-01
)";
}

namespace {

std::optional<int> PositiveNumber(const std::string& Text) {
    int value = 0;
    const auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), value);
    if (error != std::errc() || end != Text.data() + Text.size() || value <= 0)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<std::string> ParseBatchOptions(const std::vector<std::string>& Args,
                                             TBatchOptions& o) {
    if (Args.empty())
        return "не задана команда";
    o.Command = Args[0];
    if (o.Command == "columns")
        return Args.size() == 1 ? std::nullopt
                                : std::optional<std::string>("columns не принимает параметров");
    if (o.Command != "read" && o.Command != "diff" && o.Command != "write")
        return "нет такой команды: \"" + o.Command + "\"";
    for (std::size_t i = 1; i < Args.size(); ++i) {
        const std::string& a = Args[i];
        const auto value = [&](std::string& Into) -> std::optional<std::string> {
            if (i + 1 >= Args.size())
                return a + ": не задано значение";
            Into = Args[++i];
            if (Into.empty())
                return a + ": не задано значение";
            return std::nullopt;
        };
        std::optional<std::string> error;
        if (a == "--port")
            error = value(o.Port);
        else if (a == "--phone")
            error = value(o.Phone);
        else if (a == "--in")
            error = value(o.In);
        else if (a == "--out")
            error = value(o.Out);
        else if (a == "--units")
            error = value(o.Units);
        else if (a == "--report")
            error = value(o.Report);
        else if (a == "--log-dir")
            error = value(o.LogDir);
        else if (a == "--home")
            error = value(o.Home);
        else if (a == "--no-reg-wait")
            o.WaitRegistration = false;
        else if (a == "--complete")
            o.Complete = true;
        else if (a == "--child")
            o.Child = true;
        else if (a == "--log-file")
            error = value(o.LogFile);
        else if (a == "--set") {
            std::string pair;
            error = value(pair);
            const std::size_t eq = pair.find('=');
            if (!error && (eq == std::string::npos || eq == 0))
                error = "--set: нужно ИМЯ=ЗНАЧЕНИЕ, а не \"" + pair + "\"";
            if (!error)
                o.Sets.emplace_back(pair.substr(0, eq), pair.substr(eq + 1));
        } else if (a == "--jobs" || a == "--limit") {
            std::string text;
            error = value(text);
            const auto number = PositiveNumber(text);
            if (!error && !number)
                error = a + ": нужно положительное число, а не \"" + text + "\"";
            // Past a day a unit is hung, not slow; and the run's timers count
            // milliseconds in an int.
            if (!error && a == "--limit" && *number > MaxLimitSeconds)
                error = "--limit: не больше " + std::to_string(MaxLimitSeconds) +
                        " секунд (сутки), а не \"" + text + "\"";
            if (!error)
                (a == "--jobs" ? o.Jobs : o.LimitSeconds) = *number;
        } else {
            error = "нет такого параметра: \"" + a + "\"";
        }
        if (error)
            return error;
    }
    if (o.Units.empty() && o.Port.empty())
        return o.Command + ": не задан --port";
    if (!o.Units.empty() && !o.Port.empty())
        return "--units и --port исключают друг друга: порты даёт список";
    if (!o.Units.empty() && o.Command != "write")
        return "--units — только для write";
    if (!o.Units.empty() && !o.Phone.empty())
        return "--units и --phone исключают друг друга: номера даёт столбец \"phone\" списка";
    if (o.Command == "read" && o.Out.empty())
        return "read: не задан --out";
    if (o.Command != "read" && o.In.empty())
        return o.Command + ": не задан --in";
    if (o.Command == "read" && !o.In.empty())
        return "read: нужен --out, а не --in";
    if (o.Command != "write" && !o.Sets.empty())
        return "--set — только для write";
    if (o.Command != "write" && o.Complete)
        return "--complete — только для write";
    return std::nullopt;
}

std::string LogName(const std::string& Port) {
    std::string name;
    for (char c : Port)
        name += (c == '/' || c == '\\' || c == ':' || c == ' ') ? '_' : c;
    while (!name.empty() && name.front() == '_')
        name.erase(name.begin());
    if (name.empty())
        return "unit.log";
    // Windows takes these for devices whatever their extension.
    const std::string stem = ToUpperAscii(name.substr(0, name.find('.')));
    const bool numbered = stem.size() == 4 &&
                          (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '0' &&
                          stem[3] <= '9';
    if (numbered || stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL")
        name += "-unit";
    return name + ".log";
}

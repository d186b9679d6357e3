#include "app/JournalDlg.h"

#include <QAbstractTableModel>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScreen>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "device/PageTable.h"
#include "pages/SettingsPage.h"
#include "params/ParamForm.h"
#include "params/ParamTable.h"
#include "queue/Appliers.h"
#include "toolkit/FileIo.h"
#include "toolkit/TextUtil.h"

namespace {

enum TColumn {
    colTime,
    colProgram,
    colRequest,
    colPort,
    colPhone,
    colUnit,
    colFirmware,
    colSet,
    colWritten,
    colVerified,
    colFailed,
    colCommit,
    colOutcome,
    ColumnCount
};

// Header captions and widths (the widths measured on a few rows would
// take as long as reading the journal).
const std::pair<const char*, int> Columns[ColumnCount] = {
    {"Время", 130}, {"Программа", 90}, {"Запрос", 110}, {"Порт", 150},    {"Телефон", 100},
    {"Номер", 60},  {"Прошивка", 130}, {"Набор", 110},  {"Записано", 70}, {"Проверено", 75},
    {"Ошибок", 60}, {"EEPROM", 110},   {"Итог", 110},
};

// The design size, or as much of it as the screen has room for.
QSize FittingTheScreen(const QWidget* Window, QSize Design) {
    if (const QScreen* screen = Window->screen())
        return Design.boundedTo(screen->availableGeometry().size());
    return Design;
}

std::string FileNameOf(const std::string& Path) {
    return StdStr(QFileInfo(QStr(Path)).fileName());
}

std::string CellText(const TJournalRecord& r, int Column) {
    switch (Column) {
    case colTime:
        return LocalTimeText(r);
    case colProgram:
        return ProgramText(r.Program);
    case colRequest:
        return RequestText(r.Request);
    case colPort:
        return r.Port;
    case colPhone:
        return r.Phone;
    case colUnit:
        return r.ObjNum;
    case colFirmware:
        return r.Firmware;
    case colSet:
        return FileNameOf(r.SetFile);
    case colWritten:
        return std::to_string(r.Written);
    case colVerified:
        return std::to_string(r.Verified);
    case colFailed:
        return std::to_string(r.Failed);
    case colCommit:
        return CommitText(r);
    case colOutcome:
        return OutcomeText(r);
    default:
        return {};
    }
}

bool WentWell(const TJournalRecord& r) {
    return r.Outcome == TUnitResult::Verified || r.Outcome == TUnitResult::Written;
}

} // namespace

class TdlgJournal::TModel : public QAbstractTableModel {
public:
    explicit TModel(TdlgJournal& Dialog) : QAbstractTableModel(&Dialog), FDialog(Dialog) {}

    int rowCount(const QModelIndex& Parent) const override {
        return Parent.isValid() ? 0 : FDialog.ShownCount();
    }
    int columnCount(const QModelIndex& Parent) const override {
        return Parent.isValid() ? 0 : ColumnCount;
    }
    QVariant data(const QModelIndex& Index, int Role) const override {
        if (!Index.isValid() || Index.row() >= FDialog.ShownCount())
            return {};
        const TJournalRecord& r = FDialog.Shown(Index.row());
        switch (Role) {
        case Qt::DisplayRole:
            return QStr(CellText(r, Index.column()));
        case Qt::ToolTipRole:
            if (Index.column() == colSet)
                return QStr(r.SetFile);
            if (Index.column() == colPort)
                return QStr(r.Port);
            if (Index.column() == colOutcome && !r.Message.empty())
                return QStr(r.Message);
            return {};
        case Qt::ForegroundRole:
            if ((Index.column() == colOutcome && !WentWell(r)) ||
                (Index.column() == colFailed && r.Failed > 0))
                return QColor(Qt::red);
            return {};
        default:
            return {};
        }
    }
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role) const override {
        if (Role != Qt::DisplayRole || Orientation != Qt::Horizontal || Section < 0 ||
            Section >= ColumnCount)
            return {};
        return QStr(Columns[Section].first);
    }
    void Reset() {
        beginResetModel();
        endResetModel();
    }

private:
    TdlgJournal& FDialog;
};

TdlgJournal::TdlgJournal(TForm* Owner, const std::string& File, const TDevicePages& Pages,
                         std::string ConnectedUnit, std::size_t Newest)
    : TForm(Owner, "dlgJournal", Owner), lbFilter(new TLabel(this, "lbFilter")),
      etFilter(new TEdit(this, "etFilter")), btnUnit(new TButton(this, "btnUnit")),
      btnMore(new TButton(this, "btnMore")), btnParams(new TButton(this, "btnParams")),
      btnCsv(new TButton(this, "btnCsv")), btnClose(new TButton(this, "btnClose")),
      lbCount(new TLabel(this, "lbCount")), tblRecords(new QTableView(this)), FFile(File),
      FNewest(std::max<std::size_t>(Newest, 1)), FPages(Pages),
      FConnectedUnit(std::move(ConnectedUnit)) {
    // Placed by the system, at the size it is made with (centring it would
    // shrink it to the little its table asks for).
    SetBorder(TFormBorder::Sizeable);
    SetCaption("Журнал записи в блоки");
    ChooseCsvFile = [this](const TFileDialogSetup& Setup) { return ExecFileDialog(Setup, this); };

    lbFilter->SetCaption("Номер объекта, порт или телефон:");
    etFilter->OnChange = [this](QObject* s) { etFilterChange(s); };
    btnUnit->SetCaption(FConnectedUnit.empty() ? "Подключённый блок"
                                               : "Подключённый блок " + FConnectedUnit);
    btnUnit->SetEnabled(!FConnectedUnit.empty());
    btnUnit->setToolTip(FConnectedUnit.empty()
                            ? QStr("Номер объекта подключённого блока ещё не известен: прочитайте "
                                   "его из блока или запишите в блок")
                            : QString());
    btnUnit->OnClick = [this](QObject* s) { btnUnitClick(s); };
    btnMore->SetCaption("Более ранние");
    btnMore->OnClick = [this](QObject* s) { btnMoreClick(s); };
    btnParams->SetCaption("Показать параметры");
    btnParams->OnClick = [this](QObject* s) { btnParamsClick(s); };
    btnCsv->SetCaption("Сохранить в CSV…");
    btnCsv->OnClick = [this](QObject* s) { btnCsvClick(s); };
    btnClose->SetCaption("Закрыть");
    btnClose->SetModalResult(mrOk);
    btnClose->SetCancel(true);

    Load();
    FModel = new TModel(*this);
    tblRecords->setModel(FModel);
    tblRecords->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblRecords->setSelectionMode(QAbstractItemView::SingleSelection);
    tblRecords->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblRecords->setWordWrap(false);
    tblRecords->verticalHeader()->setVisible(false);
    tblRecords->verticalHeader()->setDefaultSectionSize(tblRecords->fontMetrics().height() + 6);
    // A long port is cut in its middle, where its names differ least.
    tblRecords->setTextElideMode(Qt::ElideMiddle);
    for (int c = 0; c < ColumnCount; ++c)
        tblRecords->setColumnWidth(c, Columns[c].second);
    // The time with its seconds, as the font draws it.
    tblRecords->setColumnWidth(
        colTime,
        tblRecords->fontMetrics().horizontalAdvance(QStringLiteral("00.00.0000 00:00:00")) + 16);
    tblRecords->horizontalHeader()->setStretchLastSection(true);
    connect(tblRecords, &QTableView::doubleClicked, this,
            [this] { Guarded(this, [this] { btnParamsClick(btnParams); }); });

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(lbFilter);
    filterRow->addWidget(etFilter, 1);
    filterRow->addWidget(btnUnit);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lbCount, 1);
    buttons->addWidget(btnMore);
    buttons->addWidget(btnParams);
    buttons->addWidget(btnCsv);
    buttons->addWidget(btnClose);
    auto* column = new QVBoxLayout(this);
    column->addLayout(filterRow);
    column->addWidget(tblRecords, 1);
    column->addLayout(buttons);
    resize(FittingTheScreen(this, QSize(1100, 560)));

    ApplyFilter();
}

TdlgJournal::~TdlgJournal() = default;

void TdlgJournal::Load() {
    FShown.clear(); // they point into the records read before
    FReadError.clear();
    try {
        FJournal = ReadJournal(FFile, FNewest);
    } catch (const EFileError& e) {
        FJournal = {};
        FReadError = e.what();
    }
    btnMore->SetEnabled(FJournal.Older > 0);
}

void TdlgJournal::btnMoreClick(QObject*) {
    FNewest *= 2;
    Load();
    ApplyFilter();
}

void TdlgJournal::ApplyFilter() {
    const std::string text = TrimBlanks(etFilter->Text());
    const auto matches = [&](const std::string& Field) {
        return FindNoCaseAscii(Field, text) != std::string::npos;
    };
    FShown.clear();
    for (auto r = FJournal.Records.rbegin(); r != FJournal.Records.rend(); ++r)
        if (text.empty() || matches(r->ObjNum) || matches(r->Port) || matches(r->Phone))
            FShown.push_back(&*r);
    FModel->Reset();
    if (!FShown.empty())
        SelectRow(0);

    std::string count = FReadError;
    if (count.empty())
        count = text.empty() ? "Записей: " + std::to_string(FShown.size())
                             : "Записей: " + std::to_string(FShown.size()) + " из " +
                                   std::to_string(FJournal.Records.size());
    if (FJournal.Older > 0)
        count += "; прочитаны последние " + std::to_string(FJournal.Records.size()) + " из " +
                 std::to_string(FJournal.Records.size() + FJournal.Older);
    if (FJournal.Damaged > 0)
        count += "; пропущено повреждённых строк: " + std::to_string(FJournal.Damaged);
    if (FJournal.Truncated)
        count += "; журнал длиннее " + std::to_string(MaxJournalBytes >> 20) +
                 " МБ, прочитано его начало";
    lbCount->SetCaption(count);
    btnParams->SetEnabled(!FShown.empty());
    btnCsv->SetEnabled(!FShown.empty());
}

int TdlgJournal::SelectedRow() const {
    const QModelIndexList rows = tblRecords->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void TdlgJournal::SelectRow(int Row) {
    tblRecords->selectRow(Row);
    tblRecords->scrollTo(FModel->index(Row, 0));
}

void TdlgJournal::etFilterChange(QObject*) {
    ApplyFilter();
}

void TdlgJournal::btnUnitClick(QObject*) {
    etFilter->SetText(FConnectedUnit);
    ApplyFilter();
    for (int row = 0; row < ShownCount(); ++row)
        if (Shown(row).ObjNum == FConnectedUnit) {
            SelectRow(row);
            ShowParams(Shown(row));
            return;
        }
    ShowMessage("В журнале нет записей о блоке " + FConnectedUnit + ".");
}

void TdlgJournal::btnParamsClick(QObject*) {
    if (const int row = SelectedRow(); row >= 0)
        ShowParams(Shown(row));
}

void TdlgJournal::ShowParams(const TJournalRecord& Record) {
    TdlgJournalParams view(this, Record, FJournal.Params(Record), FPages);
    view.ShowModal();
}

void TdlgJournal::btnCsvClick(QObject*) {
    const auto file = ChooseCsvFile({.Save = true,
                                     .InitialDir = StdStr(QFileInfo(QStr(FFile)).absolutePath()),
                                     .Filter = "Таблица CSV (*.csv)|*.csv",
                                     .DefaultExt = "csv",
                                     .ConfirmOverwrite = true});
    if (!file)
        return;
    ReplaceFileContents(*file, JournalCsv(FJournal, FShown, FPages));
    ShowMessage("Записей: " + std::to_string(FShown.size()) + ", сохранено в файл\n" + *file);
}

TdlgJournalParams::TdlgJournalParams(TForm* Owner, const TJournalRecord& Record,
                                     const std::vector<TParamResult>& Params,
                                     const TDevicePages& Pages)
    : TForm(Owner, "dlgJournalParams", Owner), lbRecord(new TLabel(this, "lbRecord")),
      tblParams(new QTableWidget(static_cast<int>(Params.size()), 4, this)),
      btnClose(new TButton(this, "btnClose")) {
    SetBorder(TFormBorder::Sizeable);
    SetCaption("Параметры записи");
    std::string about = LocalTimeText(Record) + ", " + ProgramText(Record.Program) + ", " +
                        RequestText(Record.Request) + ", порт " + Record.Port;
    if (!Record.Phone.empty())
        about += ", телефон " + Record.Phone;
    about += "\nБлок " +
             (Record.ObjNum.empty() ? std::string("(номер не известен)") : Record.ObjNum) + ", " +
             Record.Firmware + "; EEPROM: " + CommitText(Record) + "; итог: " + OutcomeText(Record);
    if (!Record.SetFile.empty())
        about += "\nНабор: " + Record.SetFile;
    if (!Record.Message.empty())
        about += "\n" + Record.Message;
    lbRecord->SetCaption(about);
    lbRecord->SetWordWrap(true);

    tblParams->setHorizontalHeaderLabels({"Страница", "Параметр", "Значение", "Итог"});
    tblParams->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblParams->verticalHeader()->setVisible(false);
    for (std::size_t i = 0; i < Params.size(); ++i) {
        const TParamResult& p = Params[i];
        const int row = static_cast<int>(i);
        const std::string outcome = OutcomeText(p.Outcome) + (p.Note.empty() ? "" : ": " + p.Note);
        const TParamWords words = ParamWords(Pages, p.Page, p.Name);
        const std::string cells[] = {words.Page, words.Caption, ValueText(p.Value), outcome};
        for (int c = 0; c < 4; ++c) {
            auto* item = new QTableWidgetItem(QStr(cells[c]));
            item->setToolTip(QStr(cells[c]));
            tblParams->setItem(row, c, item);
        }
        if (FailedOutcome(p.Outcome))
            tblParams->item(row, 3)->setForeground(Qt::red);
    }
    tblParams->setWordWrap(false);
    tblParams->setTextElideMode(Qt::ElideMiddle);
    tblParams->resizeColumnsToContents();
    // The value and its outcome stay in view at the window's design size:
    // a long page or caption is cut (its whole text is the cell's tooltip).
    const int limits[] = {150, 230, 170};
    for (int c = 0; c < 3; ++c)
        tblParams->setColumnWidth(c, std::min(tblParams->columnWidth(c), limits[c]));
    tblParams->horizontalHeader()->setStretchLastSection(true);

    btnClose->SetCaption("Закрыть");
    btnClose->SetModalResult(mrOk);
    btnClose->SetCancel(true);
    auto* column = new QVBoxLayout(this);
    column->addWidget(lbRecord);
    column->addWidget(tblParams, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnClose);
    column->addLayout(buttons);
    resize(FittingTheScreen(this, QSize(760, 520)));
}

#pragma once
// TdlgJournal: the journal of units written as a table, newest first, with
// a filter by object number, port or phone; "Показать параметры" shows the
// parameters of the selected record; "Подключённый блок" shows the newest
// record of the unit connected (by its object number, once the unit has
// given it or been given it); "Сохранить в CSV" writes the records shown
// for a spreadsheet. It needs no unit: it reads the file only, and keeps its
// newest records (Newest of them; "Более ранние" reads as many again), so
// that a journal of years opens as fast, and in as little memory, as a new
// one.
//
// TdlgJournalParams: the parameters of one record.
//
// Threading: GUI thread.

#include <string>
#include <vector>

#include "device/DevicePages.h"
#include "services/Journal.h"
#include "services/Settings.h"
#include "toolkit/Controls.h"

class QTableView;
class QTableWidget;

class TdlgJournal : public TForm {
public:
    // The journal in File. Pages give the parameters their captions;
    // ConnectedUnit: the object number of the unit connected, empty when
    // none is known.
    TdlgJournal(TForm* Owner, const std::string& File, const TDevicePages& Pages,
                std::string ConnectedUnit, std::size_t Newest = ShownAtFirst);
    // The records read when the window opens: months of heavy use.
    static constexpr std::size_t ShownAtFirst = 5000;
    ~TdlgJournal() override;

    TLabel* lbFilter;
    TEdit* etFilter;
    TButton* btnUnit;
    TButton* btnMore; // the records before those read
    TButton* btnParams;
    TButton* btnCsv;
    TButton* btnClose;
    TLabel* lbCount; // how many records are shown, and what could not be read
    QTableView* tblRecords;

    const TJournal& Journal() const { return FJournal; }
    // The records shown, newest first.
    int ShownCount() const { return static_cast<int>(FShown.size()); }
    const TJournalRecord& Shown(int Row) const { return *FShown[static_cast<std::size_t>(Row)]; }
    // The row of the record selected, -1 for none; selecting one.
    int SelectedRow() const;
    void SelectRow(int Row);

    // Asks for the file "Сохранить в CSV" writes (a file dialog; tests put
    // their own answer here).
    TFileChooser ChooseCsvFile;

    void etFilterChange(QObject* Sender);
    void btnUnitClick(QObject* Sender);
    void btnMoreClick(QObject* Sender);
    void btnParamsClick(QObject* Sender);
    void btnCsvClick(QObject* Sender);

private:
    class TModel;
    void Load();
    void ApplyFilter();
    void ShowParams(const TJournalRecord& Record);

    std::string FFile; // the journal read
    std::size_t FNewest;
    TJournal FJournal;
    std::string FReadError; // why the file could not be read
    std::vector<const TJournalRecord*> FShown;
    TModel* FModel = nullptr;
    TDevicePages FPages;
    std::string FConnectedUnit;
};

class TdlgJournalParams : public TForm {
public:
    TdlgJournalParams(TForm* Owner, const TJournalRecord& Record,
                      const std::vector<TParamResult>& Params, const TDevicePages& Pages);

    TLabel* lbRecord;
    QTableWidget* tblParams;
    TButton* btnClose;
};

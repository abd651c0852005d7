// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class Database;
class Recordset;

// The data control behind a window's bound text fields: a database file, a
// record source, and the records it selects. Its text fields show the current
// record; any change of a field's text marks the record changed, and leaving
// the record stores it (on refresh, on a move, on close). The fields are the
// window's (see platform/BoundFields.h); the control only tells them what to show.
class DataControl : public QObject {
    Q_OBJECT
public:
    explicit DataControl(QObject* parent = nullptr);
    ~DataControl() override;

    QString databaseName() const { return databaseName_; }
    // Takes effect at the next refresh.
    void setDatabaseName(const QString& path) { databaseName_ = path; }
    QString recordSource() const { return recordSource_; }
    void setRecordSource(const QString& source) { recordSource_ = source; }

    // Stores a changed current record, then (re)opens the database and runs the
    // record source; the first record becomes current. Throws RunError; on
    // failure the records open before stay open and usable. A list that opens
    // for reading only is reported (3027) and tried for writing again at the
    // next refresh.
    void refresh();
    bool hasRecordset() const { return recordset_ != nullptr && database_ != nullptr; }
    // The open database file (null when nothing is open), for work that groups
    // many stores into one transaction.
    Database* database() const { return database_.get(); }
    // Throws RunError 91 when nothing is open.
    Recordset& recordset();
    // The changed flag of the current record.
    bool dataChanged() const;

    // A window's text field as the control sees it.
    class Field {
    public:
        virtual ~Field() = default;
        // Shows the current record's text of the field, empty where none is current.
        virtual void show(const QString& text) = 0;
        // Whether the field holds any text.
        virtual bool holdsText() const = 0;
    };
    // Binds a field to a field of the records; it tells its edits through edited().
    void bind(std::unique_ptr<Field> field, const QString& fieldName);
    // The text of a bound field changed: the current record takes it, and typing
    // where no record is current begins a new one.
    void edited(const QString& fieldName, const QString& text);

    // Stores a changed current record (a refusal is reported) and closes the file.
    void close();

    // The bound fields holding typed text that the open record source lacks:
    // nothing typed there can be stored.
    QStringList unstorableEdits() const;

    // Shows the current record in the bound fields now.
    void showCurrent();

    // While a Batch lives, moves do not repaint the bound fields; they show the
    // current record when the last Batch ends. Long walks use it.
    class Batch {
    public:
        explicit Batch(DataControl& dc) : dc_(dc) { ++dc_.batch_; }
        ~Batch() {
            if (--dc_.batch_ == 0 && dc_.stale_)
                dc_.showCurrent();
        }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        DataControl& dc_;
    };

    // Told, at once, of what the user must hear: a refused store (its
    // description) and a list that opened for reading only (its failure message).
    using Reporter = std::function<void(const QString& text)>;
    void setReporter(Reporter reporter) { reporter_ = std::move(reporter); }
    // Refusals go to the reporter unless switched off (for callers that report
    // failures themselves).
    void setReportsRefusals(bool on) { reportsRefusals_ = on; }

signals:
    // The current record changed.
    void repositioned();

private:
    struct Binding {
        std::unique_ptr<Field> field;
        QString name;
    };
    void hook();
    void retryForWriting();
    void report(const QString& text) const;
    void currentMoved();

    QString databaseName_;
    QString recordSource_;
    std::unique_ptr<Database> database_;
    std::unique_ptr<Recordset> recordset_;
    std::vector<Binding> bindings_;
    Reporter reporter_;
    int batch_ = 0;
    bool stale_ = false;
    bool loading_ = false;
    bool reportsRefusals_ = true;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContactGenerator.h"

#include "platform/Database.h"

#include <QRandomGenerator>
#include <QStringList>
#include <SQLiteCpp/SQLiteCpp.h>

namespace {
const QStringList firstNames = {
    "James",   "Mary",      "John",    "Patricia", "Robert",  "Jennifer", "Michael", "Linda",
    "William", "Elizabeth", "David",   "Barbara",  "Richard", "Susan",    "Joseph",  "Jessica",
    "Thomas",  "Sarah",     "Charles", "Karen",    "Émile",   "Zoë",      "Søren",   "Ángel",
    "Björn",   "Chloé",     "Dmitri",  "Aisha",    "Kenji",   "Priya",    "Mateo",   "Fatima",
    "Liam",    "Olivia",    "Noah",    "Emma",     "Oliver",  "Ava"};
const QStringList lastNames = {
    "Smith",    "Johnson",   "Williams", "Brown",     "Jones",   "Garcia",   "Miller",
    "Davis",    "Rodriguez", "Martinez", "Hernandez", "Lopez",   "Gonzalez", "Wilson",
    "Anderson", "Thomas",    "Taylor",   "Moore",     "Jackson", "Martin",   "Lee",
    "Perez",    "Thompson",  "White",    "Harris",    "Sanchez", "Clark",    "Ramirez",
    "Lewis",    "Robinson",  "O'Brien",  "D'Angelo",  "Müller",  "Øster",    "Nguyen",
    "Kowalski", "Schröder",  "Dubois",   "Rossi",     "Yamamoto"};
const QStringList companies = {"Acme Corp",    "Globex",           "Initech",
                               "Umbrella Ltd", "Stark Industries", "Wayne Enterprises",
                               "Hooli",        "Vandelay Imports", "Soylent",
                               "Cyberdyne",    "Tyrell",           "Wonka Industries",
                               "Gringotts",    "Oceanic",          "Monarch Supplies",
                               "Kellerman's",  "Bluth Company",    "Dunder Mifflin"};
const QStringList streets = {"Main St",   "Oak Ave",     "Maple Dr",      "Cedar Ln", "Elm St",
                             "Park Blvd", "Lakeview Rd", "Hillcrest Ave", "River Rd"};
const QStringList cities = {"Springfield", "Riverside", "Franklin", "Greenville", "Bristol",
                            "Clinton",     "Fairview",  "Salem",    "Madison",    "Georgetown"};
const QStringList states = {"CA", "NY", "TX", "FL", "IL", "PA", "OH", "GA", "NC", "MI"};
} // namespace

void generateContacts(const QString& listPath, int count) {
    Database db(listPath);
    SQLite::Database& h = db.handle();
    QRandomGenerator rng(20261206);
    auto pick = [&](const QStringList& l) { return l[rng.bounded(l.size())]; };
    SQLite::Transaction tx(h);
    SQLite::Statement q(h, "INSERT INTO pName2 (pName, CompanyName, pAddress, pCity, pState, "
                           "pZip, pPhone, pEmail, pNotes) VALUES (?,?,?,?,?,?,?,?,?)");
    for (int i = 0; i < count; ++i) {
        const QString first = pick(firstNames);
        const QString last = pick(lastNames);
        // Last, First with a number now and then, so names repeat as real lists do.
        const QString name =
            last + QStringLiteral(", ") + first +
            (rng.bounded(4) == 0 ? QStringLiteral(" ") + QString::number(i % 997) : QString());
        q.bind(1, name.toStdString());
        if (rng.bounded(3) == 0)
            q.bind(2);
        else
            q.bind(2, (pick(companies) + QStringLiteral(" ") + QString::number(rng.bounded(5000)))
                          .toStdString());
        q.bind(3, (QString::number(rng.bounded(9999) + 1) + QStringLiteral(" ") + pick(streets))
                      .toStdString());
        q.bind(4, pick(cities).toStdString());
        q.bind(5, pick(states).toStdString());
        q.bind(6, QString::number(10000 + rng.bounded(89999)).toStdString());
        q.bind(7, QStringLiteral("(%1) 555-%2")
                      .arg(200 + rng.bounded(799))
                      .arg(rng.bounded(10000), 4, 10, QLatin1Char('0'))
                      .toStdString());
        q.bind(8, (first.toLower() + QStringLiteral(".") + QString::number(i) +
                   QStringLiteral("@example.com"))
                      .toStdString());
        q.bind(9, "Met at the spring fair; prefers calls in the morning.");
        q.exec();
        q.reset();
    }
    tx.commit();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "Shots.h"

#include "main_window/pList.h"
#include "platform/AppFolder.h"
#include "platform/Database.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <SQLiteCpp/SQLiteCpp.h>

void shootMainWindow(const QString& outDir) {
    QTemporaryDir dir;
    QFile::copy(QStringLiteral(QUILLARY_DATA_BUILD_DIR "/Template.dat"),
                dir.filePath("Quillary.mdb"));
    QFile ini(dir.filePath("plist.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write("[lastdb]\r\ndb=Quillary.mdb\r\n");
    ini.close();
    {
        Database db(dir.filePath("Quillary.mdb"));
        SQLite::Statement q(db.handle(),
                            "INSERT INTO pName2 (pName, CompanyName, pAddress, pCity, pState, "
                            "pZip, pPhone, pCoPhone, pEmail, pNotes) VALUES (?,?,?,?,?,?,?,?,?,?)");
        const char* rows[][10] = {
            {"Ada Whitfield", "Northwind Traders", "12 Harbour Lane", "Portland", "OR", "97201",
             "(503) 555-0142", "(503) 555-0199", "ada@northwind.example",
             "Prefers calls after 10 am. Birthday in March."},
            {"Bruno Castellanos", "Castellanos & Hijos", "88 Calle Mayor", "San Antonio", "TX",
             "78205", "(210) 555-0117", "", "bruno@castellanos.example", ""},
            {"Chloé Marchand", "", "4 Rue des Lilas", "Montréal", "QC", "H2X 1Y4", "(514) 555-0163",
             "", "chloe@marchand.example", ""},
            {"Dev Raman", "Raman Design Studio", "301 Elm Street", "Madison", "WI", "53703",
             "(608) 555-0128", "", "dev@raman.example", ""},
            {"Eleanor O'Connell", "O'Connell Bakery", "17 Main Street", "Boston", "MA", "02108",
             "(617) 555-0186", "", "eleanor@oconnell.example", ""},
        };
        for (const auto& r : rows) {
            for (int i = 0; i < 10; ++i)
                q.bind(i + 1, r[i]);
            q.exec();
            q.reset();
        }
    }
    AppFolder::setProgramFolderForTesting(dir.path());
    {
        pList w;
        w.showListChooser = [] {};
        w.showNewList = [] {};
        w.Form_Load();
        w.show();
        QApplication::processEvents();
        w.grab().save(QDir(outDir).filePath("main_window.png"));
        w.close();
    }
    AppFolder::setProgramFolderForTesting(QString());
}

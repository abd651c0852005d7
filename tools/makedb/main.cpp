// SPDX-License-Identifier: GPL-3.0-or-later
// quillary_makedb OUT.db SCHEMA.sql [TABLE DATA.csv]
// Builds a database from text sources: the schema, then the CSV rows (the header
// names the columns) in one transaction. Writes OUT.db.tmp and renames it, so a
// failed build never leaves a half-made database under the real name.
#include "Csv.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

static std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) {
        std::cerr << "usage: quillary_makedb OUT.db SCHEMA.sql [TABLE DATA.csv]\n";
        return 2;
    }
    const std::string out = argv[1];
    const std::string tmp = out + ".tmp";
    try {
        std::filesystem::remove(tmp);
        {
            SQLite::Database db(tmp, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
            SQLite::Transaction tx(db);
            db.exec(readAll(argv[2]));
            if (argc == 5) {
                std::string text = readAll(argv[4]);
                if (text.rfind("\xEF\xBB\xBF", 0) == 0)
                    text.erase(0, 3);
                const auto rows = parseCsv(text);
                if (rows.empty())
                    throw std::runtime_error("empty CSV");
                const auto& header = rows.front();
                std::string sql = std::string("INSERT INTO ") + argv[3] + " (";
                std::string marks;
                for (size_t i = 0; i < header.size(); ++i) {
                    sql += (i ? "," : "") + header[i];
                    marks += i ? ",?" : "?";
                }
                sql += ") VALUES (" + marks + ")";
                SQLite::Statement insert(db, sql);
                for (size_t r = 1; r < rows.size(); ++r) {
                    if (rows[r].size() != header.size())
                        throw std::runtime_error("CSV row " + std::to_string(r + 1) +
                                                 " has the wrong number of fields");
                    for (size_t i = 0; i < header.size(); ++i)
                        insert.bind(static_cast<int>(i + 1), rows[r][i]);
                    insert.exec();
                    insert.reset();
                }
            }
            tx.commit();
        }
        std::filesystem::rename(tmp, out);
    } catch (const std::exception& e) {
        std::cerr << "quillary_makedb: " << e.what() << "\n";
        std::filesystem::remove(tmp);
        return 1;
    }
    return 0;
}

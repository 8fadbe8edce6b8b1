#pragma once

#include "view/ViewHost.h"

#include <vector>

// Stands in for the main frame: records every message the view or a bar sends, keeps the
// column-width tables with the document's presets and hands out the test's database.
class CFakeViewHost : public CViewHost {
public:
    struct Message {
        unsigned message;
        quintptr wParam;
        qintptr lParam;
    };

    explicit CFakeViewHost(CProjectDataBase* db = nullptr) : m_pDataBase(db) {}

    qintptr SendMessage(unsigned message, quintptr wParam, qintptr lParam) override {
        m_messages.push_back({message, wParam, lParam});
        return 0;
    }
    std::map<int, int>& ColumnWidths() override { return m_widths; }
    std::map<int, int>& CompareColumnWidths() override { return m_compareWidths; }
    CProjectDataBase* DataBase() override { return m_pDataBase; }

    std::vector<Message> m_messages;
    std::map<int, int> m_widths{{0, 200}, {1, 200}, {2, 250}, {3, 250}};
    std::map<int, int> m_compareWidths{{0, 200}, {1, 200}, {2, 250}, {3, 50},
                                       {4, 200}, {5, 200}, {6, 250}};
    CProjectDataBase* m_pDataBase;
};

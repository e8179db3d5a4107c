// Ctbl_DealerMaster: the recordset over the dealer master table, one text
// field bound to the first column of whatever result it is opened on.
#pragma once

#include "framework/Recordset.h"

#include <string>

class Ctbl_DealerMaster : public CRecordset {
public:
    // Works on `pDatabase`; snapshot by default, one field, m_sDealerId empty.
    explicit Ctbl_DealerMaster(CDatabase* pDatabase);

    static const char* GetRuntimeClassName() { return "Ctbl_DealerMaster"; }

    // A connection text from design time; the program always opens its
    // recordsets on an already open connection and never uses it.
    std::string GetDefaultConnect() override;
    std::string GetDefaultSQL() override;
    // Binds the first result column, "[sDealerId]", to m_sDealerId (at most 255).
    void DoFieldExchange(CFieldExchange* pFX) override;

    std::string m_sDealerId;
};

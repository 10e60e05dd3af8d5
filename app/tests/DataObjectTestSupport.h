// Helpers shared by the data-object tests.
#pragma once

#include "app/winutil/Platform.h"

#include <vector>

namespace DataObjectTest {

// The formats a data object offers for reading, in the order it enumerates them.
inline std::vector<FORMATETC> Enumerate(IDataObject* data) {
    std::vector<FORMATETC> out;
    IEnumFORMATETC* e = nullptr;
    if (FAILED(data->EnumFormatEtc(DATADIR_GET, &e)) || !e) return out;
    FORMATETC fe;
    ULONG got = 0;
    while (e->Next(1, &fe, &got) == S_OK && got == 1) out.push_back(fe);
    e->Release();
    return out;
}

} // namespace DataObjectTest

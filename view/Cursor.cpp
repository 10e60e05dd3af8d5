#include "view/Cursor.h"

#include "app/winutil/CursorManager.h"
#include "app/winutil/ResourceLoader.h"

#include <array>

namespace View::Cursor {

Source Lookup(int id)
{
    static const LPCWSTR systemIds[] = {IDC_APPSTARTING, IDC_ARROW,  IDC_CROSS,    IDC_IBEAM,
                                        IDC_NO,          IDC_SIZEALL, IDC_SIZENESW, IDC_SIZENS,
                                        IDC_SIZENWSE,    IDC_SIZEWE,  IDC_UPARROW,  IDC_WAIT};
    if (id >= 0 && id <= 11) return Source{true, systemIds[id], 0};
    if (id >= 256 && id <= 259) return Source{false, nullptr, UINT(id - 156)};
    if (id >= 261 && id <= 282) return Source{false, nullptr, UINT(id - 156)};
    if (id == 283) return Source{false, nullptr, 130};
    return Source{};
}

namespace {
HCURSOR LoadOf(int id)
{
    const Source s = Lookup(id);
    HCURSOR cursor = nullptr;
    if (!s.system) cursor = WinUtil::ResourceLoader::Instance().LoadCursor(s.resourceId);
    if (cursor == nullptr)
        cursor = static_cast<HCURSOR>(
            LoadImageW(nullptr, s.system ? s.systemId : IDC_ARROW, IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
    return cursor;
}
} // namespace

HCURSOR Get(int id)
{
    // The handles are shared ones that stay valid while the program runs: each is looked up once
    // (a drag asks for its cursor many times a second).
    static std::array<HCURSOR, 284> known{};
    if (id < 0 || id >= int(known.size())) return LoadOf(id);
    HCURSOR& cursor = known[size_t(id)];
    if (cursor == nullptr) cursor = LoadOf(id);
    return cursor;
}

void Load(int id)
{
    WinUtil::CursorManager::Instance().SetCursor(Get(id));
}

} // namespace View::Cursor

// The codes of the editor's installation (Editor/install/QuorvelUML.wxs uses the same values) and
// the program's OLE class id.
#pragma once

namespace Editor::ProductCodes {

inline constexpr wchar_t kProduct[] = L"{6B1E3C52-8F0A-4C77-9E1D-2A5F0B7C3D41}";
inline constexpr wchar_t kMainFeature[] = L"Quorvel";
inline constexpr wchar_t kSettingsFeature[] = L"UserSettings";
inline constexpr wchar_t kMainComponent[] = L"{A3C1F2D4-6E5B-4A78-9C0D-1E2F3A4B5C61}";
// Its key path is the product's settings key.
inline constexpr wchar_t kSettingsComponent[] = L"{B4D2E3F5-7F6C-4B89-AD1E-2F3A4B5C6D72}";
inline constexpr wchar_t kHelpComponent[] = L"{C5E3F406-8A7D-4C9A-BE2F-3A4B5C6D7E83}";
// The class id of the program's diagrams as OLE objects.
inline constexpr wchar_t kClassId[] = L"{4F2A9C31-7D6E-4B58-A1C2-93E4F5A6B7C8}";

} // namespace Editor::ProductCodes

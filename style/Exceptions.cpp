#include "style/Exceptions.h"

namespace Style::Exceptions {

UnknownStyleDirectory::UnknownStyleDirectory(int line, std::wstring_view text)
    : xml::ExceptionBase(line, std::wstring(L"Unknown style node \"") + std::wstring(text) + L"\"")
{
}

} // namespace Style::Exceptions

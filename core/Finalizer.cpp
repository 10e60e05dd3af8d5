#include "core/Finalizer.h"

#include "core/Exceptions.h"

namespace Core {

void RunFinalizers(Env& env, const std::vector<ElementPtr>& read)
{
    for (const ElementPtr& e : read) Exceptions::NamingElement(e->GetObjectId(), [&] { e->FinalizeRead(env); });
    Finalizer::RunAll(env, read);
}

} // namespace Core

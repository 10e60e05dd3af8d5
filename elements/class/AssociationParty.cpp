// The class's qualifiers on its border.
#include "elements/class/Class.h"
#include "elements/class/Qualifier.h"

namespace Class {

void Class::OnQualifierAdded(Core::Env& env, Qualifier* qualifier) { qualifier->SetClass(env, this); }

}  // namespace Class

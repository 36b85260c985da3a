// The object list's answers to the user: clicks, keys, the popup menu and sorting.
#include "control/kwQuarryPrivate.h"

void kwQuarryPrivate::connectListHandlers() {}

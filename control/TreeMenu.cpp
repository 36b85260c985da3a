// The tree's popup menu and the data-source commands behind it.
#include "control/kwQuarryPrivate.h"

void kwQuarryPrivate::connectMenuHandlers() {}

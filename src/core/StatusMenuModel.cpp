#include "StatusMenuModel.h"

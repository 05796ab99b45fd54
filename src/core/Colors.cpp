#include "Colors.h"

#include "engine/Engine.h"
#include "Local.h"

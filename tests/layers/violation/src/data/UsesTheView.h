#pragma once

#include "device/Clock.h"
#include "viewlogic/MainViewLogic.h"

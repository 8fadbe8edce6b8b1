#pragma once

#include "ini/IniData.h"

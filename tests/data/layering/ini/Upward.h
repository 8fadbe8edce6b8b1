#pragma once

#include "grid/ListCtrlEx.h"

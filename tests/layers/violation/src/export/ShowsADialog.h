#pragma once

#include <QDialog>

#include "data/MeasurementDataSet.h"

#pragma once
#include <string>
#include <QString>

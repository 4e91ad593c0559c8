// Identifiers of the settings dialog resources.
#pragma once

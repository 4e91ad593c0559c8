// Identifiers of the alarm, expiration and organize-themes dialogs.
#pragma once

// Identifiers of the note resources.
#pragma once

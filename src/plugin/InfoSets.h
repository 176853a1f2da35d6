// The keys of the five information sets and their help texts.
#pragma once

class CAppCommand;
class COptions;

void DeclareFixedPointKeys(COptions& store, CAppCommand* set, CAppCommand* get);
void DeclareRtlKeys(COptions& store, CAppCommand* set, CAppCommand* get);
void DeclareSynthKeys(COptions& store, CAppCommand* set, CAppCommand* get);
void DeclareGateKeys(COptions& store, CAppCommand* set, CAppCommand* get);
void DeclareVersionKeys(COptions& store, CAppCommand* set, CAppCommand* get);

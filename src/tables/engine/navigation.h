#pragma once
// Record navigation and editing verbs of the current work area.
//
// Position states of an area:
//   empty table    BOF and EOF, record 0
//   on a record    neither flag, 1 <= record number <= count
//   EOF phantom    EOF, record number count + 1, blank record (BOF as well
//                  after GoTop/GoBottom found nothing)
//   at beginning   BOF with the first visible record in the buffer
// A record is visible when it passes the deleted rule (hide deleted) and the
// filter (method first, else the compiled expression). The WHILE condition
// limits SKIP to a scope. With an index open (IndexProcTable) the order of
// the index is followed; without, record-number order.

#include <cstdint>

#include "tables/engine/work_areas.h"

namespace veldrim {

extern bool IndexOnReplace;  // keep indexes current on Replace (default on)

void GoTop();
void GoBottom();
void GoFirst();
void GoLast();
void SKIP(int32_t n = 1);
void GO(int32_t n);
void Dbf4RawGo(int32_t n);
void RawGoAndRelate(int32_t n);
bool GoIfValid(int32_t n);
bool dEOF();
bool dBOF();
int32_t RecCount();
int32_t RecNo();
uint16_t RecSize();
bool SetIgnoreDel(bool on);
RelationProc SetRelation(RelationProc p);
bool EnsureVisibleRecord();
void Append();
void Replace();
void DeleteRec();
void RecallRec();
void UpdateRelations();
void RefreshRecCount();
bool RecordVisible();
bool WhileCondition();
bool IsWhileOn();
void GoPhantom();
void MarkBOF();
void MarkEOF();

// Filter and WHILE conditions of the current area. An expression text is
// compiled through the parser table (error 220 when the parser is absent);
// an empty text removes it.
void SetFilterMethod(ConditionMethod m);
void SetWhileMethod(ConditionMethod m);
bool SetFilterExpression(const std::string& text);
bool SetWhileExpression(const std::string& text);

void ResetNavigation();

}  // namespace veldrim

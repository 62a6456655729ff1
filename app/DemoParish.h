#pragma once
// A made-up parish for demonstrations, test fixtures and benchmarks: families of members with
// Thai names, sacraments, marriages, deaths and moves, the settings row, a church list and a
// parish logo.
#include "platform/rtl/Types.h"

namespace orv {

class TADOConnection;

// Creates <folder>/Orvane.db (the folder is made when missing; an existing database there is an
// error) with about `members` members, and <folder>/Picture/Logo.jpg. The same seed always
// gives the same parish.
void CreateDemoParish(const String& folder, int members, unsigned seed = 1);

// Fills the members, moves, churches, notifications and settings of an open database that has
// the parish schema and no members yet.
void FillDemoParish(TADOConnection& connection, int members, unsigned seed = 1);

// Draws the parish's default picture (a cross in a ring) as a JPEG file.
void DrawParishLogo(const String& fileName);

}  // namespace orv

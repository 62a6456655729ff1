// A parish file's connection and a query on it, as the benchmarks read their rows.
#pragma once

#include <string>

#include "platform/db/ADODB.h"

namespace orv {

struct TBenchQuery {
  TADOConnection Connection{nullptr};
  TADOQuery Query{nullptr};

  // The query is set up but not opened, so that what it feeds can be attached first.
  TBenchQuery(const std::string& db, const std::string& sql) {
    Connection.SetConnectionString("Data Source=" + db);
    Connection.Open();
    Query.SetConnection(&Connection);
    Query.SQL().SetText(sql);
  }
};

}  // namespace orv

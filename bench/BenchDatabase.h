#pragma once
// The scratch database of the dataset benchmarks: a table BIG of n rows (ID INTEGER, NAME
// VARCHAR(20), V DOUBLE PRECISION, D DATE, N BIGINT) made with isql in a folder.

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

inline std::string MakeBigTableDatabase(const std::string& dir, long rows) {
  std::string path = dir + "/bench.fdb";
  std::string script = dir + "/bench.isql";
  std::ofstream out(script);
  out << "SET SQL DIALECT 3;\n"
      << "CREATE DATABASE '" << path << "' USER 'SYSDBA' DEFAULT CHARACTER SET UTF8;\n"
      << "CREATE TABLE BIG (ID INTEGER NOT NULL, NAME VARCHAR(20), V DOUBLE PRECISION, D DATE, N BIGINT);\nCOMMIT;\n"
      << "SET TERM ^;\nEXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN\n"
      << "  WHILE (I <= " << rows << ") DO BEGIN INSERT INTO BIG VALUES (:I, 'name ' || :I, :I * 0.5,"
      << " DATEADD(MOD(:I, 3000) DAY TO DATE '2000-01-01'), :I * 1000); I = I + 1; END\n"
      << "END^\nSET TERM ;^\nCOMMIT;\n";
  out.close();
  std::string command = "isql-fb -q -b -i '" + script + "' > '" + dir + "/bench.log' 2>&1";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("isql-fb failed; see " + dir + "/bench.log");
  return path;
}

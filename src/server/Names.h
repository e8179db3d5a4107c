// Names of the database objects and command-line tools the program relies on.
#pragma once

namespace server {

inline constexpr const char* kStagingTable = "tbl_ConvertSolvaneToOrbelle";
inline constexpr const char* kSingleProcedureToOrbelle = "stp_ConvertSolvaneToOrbelle";
inline constexpr const char* kSingleProcedureToSolvane = "stp_ConvertOrbelleToSolvane";
inline constexpr const char* kBulkProcedure = "stp_ConvertSolvaneToOrbelleBulk";
inline constexpr const char* kQueryTool = "osql";
inline constexpr const char* kBulkCopyTool = "bcp";

} // namespace server

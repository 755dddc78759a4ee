#include "zeb_logging.h"

#include "zeb_logging_output.h"

namespace
{
// Builds the output of one bit for this record only, writes and destroys it.
template <class Output> bool writeWith(CZEBLogRecord& record)
{
    Output output;
    return output.write(record);
}

struct OutputRoute
{
    WORD usBit;
    bool (*pfnWrite)(CZEBLogRecord&);
};

// The order in which selected outputs are called; the HTML bit is served by the XML output.
const OutputRoute s_routes[] = {
    {OUTPUT_TEXT, writeWith<CZEBLoggingOutputText>},
    {OUTPUT_XML, writeWith<CZEBLoggingOutputXML>},
    {OUTPUT_HTML, writeWith<CZEBLoggingOutputXML>},
    {OUTPUT_SERVER, writeWith<CZEBLoggingOutputServer>},
    {OUTPUT_UNKNOWN, writeWith<CZEBLoggingOutputUnknown>},
};
} // namespace

bool CZEBLogDispatcher::dispatch(WORD usOutputTypes, CZEBLogRecord& record) const
{
    bool bResult = false;
    try
    {
        for (const OutputRoute& route : s_routes)
            if (usOutputTypes & route.usBit)
                bResult = route.pfnWrite(record);
    }
    catch (...)
    {
        bResult = false;
    }
    return bResult;
}

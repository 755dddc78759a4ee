#include "zeb_logging.h"

#include "zeb_logging_output.h"

bool CZEBLogDispatcher::dispatch(WORD usOutputTypes, CZEBLogRecord& record) const
{
    bool bResult = false;
    try
    {
        if (usOutputTypes & OUTPUT_TEXT)
        {
            CZEBLoggingOutputText output;
            bResult = output.write(record);
        }
        if (usOutputTypes & OUTPUT_XML)
        {
            CZEBLoggingOutputXML output;
            bResult = output.write(record);
        }
        if (usOutputTypes & OUTPUT_HTML)
        {
            CZEBLoggingOutputXML output;
            bResult = output.write(record);
        }
        if (usOutputTypes & OUTPUT_SERVER)
        {
            CZEBLoggingOutputServer output;
            bResult = output.write(record);
        }
        if (usOutputTypes & OUTPUT_UNKNOWN)
        {
            CZEBLoggingOutputUnknown output;
            bResult = output.write(record);
        }
    }
    catch (...)
    {
        bResult = false;
    }
    return bResult;
}

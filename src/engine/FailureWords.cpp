#include "FailureWords.h"

namespace korvane {

std::string FailureWords(const TFetchFailure& failure) {
    switch (failure.Kind) {
    case TFetchFailureKind::ConnectionRefused:
        return "连接被拒绝";
    case TFetchFailureKind::ConnectTimeout:
        return "连接超时";
    case TFetchFailureKind::LookupTimeout:
        return "域名解析超时";
    case TFetchFailureKind::ReadTimeout:
        return "读取超时";
    case TFetchFailureKind::HostNotFound:
        return "找不到服务器";
    case TFetchFailureKind::ServerError:
        return "服务器返回错误 " + std::to_string(failure.StatusCode);
    case TFetchFailureKind::ConnectionLost:
        return "连接中断";
    case TFetchFailureKind::NetworkUnreachable:
        return "网络不通";
    case TFetchFailureKind::EmptyPage:
        return "淘宝返回了空白页";
    case TFetchFailureKind::NotAListing:
        return "淘宝返回的不是宝贝列表，可能需要验证或登录";
    case TFetchFailureKind::HollowPage:
        return "淘宝返回的页面中没有宝贝";
    case TFetchFailureKind::LoginRequired:
        return "淘宝要求登录或加密连接（https），本程序无法读取";
    case TFetchFailureKind::Other:
        break;
    }
    return "网络错误";
}

} // namespace korvane

#include "MainWnd/ErrorText.h"

namespace {

struct ErrorRow {
  long long code;
  const wchar_t* text;
};

constexpr wchar_t kUnknownError[] = L"未知错误";

constexpr ErrorRow kErrorTexts[] = {
    {0, kUnknownError},
    {1, L"成功"},
    {2, L"网络状态异常,请使用官方最新软件包！"},
    {3, L"连接服务器失败,请检查您的网络"},
    {10, L"请填写联系方式"},
    {11, L"内容不能为空"},
    {20, L"检查更新失败,请重启程序"},
    {21, L"当前版本太旧,需要更新"},
    {22, L"全局配置初始化失败,请重启程序"},
    {23, L"服务器时间获取失败,请重启程序"},
    {24, L"检测到Orvanta正在运行，加速效果将受到影响，建议您退出Orvanta后再启动加速器进行加速"},
    {31, L"图片刷新失败，请稍后再试"},
    {41, L"正在加速中，请先停止加速"},
    {42, L"尚未登录，无法加速"},
    {44, L"请先选择游戏再加速"},
};

}  // namespace

std::wstring GetErrorText(long long code) {
  for (const ErrorRow& row : kErrorTexts)
    if (row.code == code) return row.text;
  return kUnknownError;
}

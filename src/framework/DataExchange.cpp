#include "framework/DataExchange.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace {

std::string ControlText(HWND control) {
    const int length = ::GetWindowTextLengthA(control);
    if (length <= 0) {
        return {};
    }
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    const int got = ::GetWindowTextA(control, buffer.data(), length + 1);
    return std::string(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

} // namespace

void CDataExchange::Text(int id, std::string& value) {
    HWND control = Control(id);
    if (control == nullptr) {
        return;
    }
    if (m_saving) {
        value = ControlText(control);
    } else {
        ::SetWindowTextA(control, value.c_str());
    }
}

void CDataExchange::Number(int id, int& value) {
    HWND control = Control(id);
    if (control == nullptr) {
        return;
    }
    if (!m_saving) {
        ::SetWindowTextA(control, std::to_string(value).c_str());
        return;
    }
    const std::string text = ControlText(control);
    size_t begin = text.find_first_not_of(" \t");
    size_t end = text.find_last_not_of(" \t");
    if (begin == std::string::npos) {
        Fail(id);
        return;
    }
    const std::string digits = text.substr(begin, end - begin + 1);
    char* stop = nullptr;
    errno = 0;
    const long number = std::strtol(digits.c_str(), &stop, 10);
    if (errno != 0 || stop == digits.c_str() || *stop != '\0' || number < INT_MIN ||
        number > INT_MAX) {
        Fail(id);
        return;
    }
    value = static_cast<int>(number);
}

void CDataExchange::Check(int id, bool& value) {
    HWND control = Control(id);
    if (control == nullptr) {
        return;
    }
    if (m_saving) {
        value = ::SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    } else {
        ::SendMessageA(control, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

void CDataExchange::Radio(int first, int last, int& index) {
    if (m_saving) {
        for (int id = first; id <= last; ++id) {
            HWND control = Control(id);
            if (control != nullptr && ::SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED) {
                index = id - first;
                return;
            }
        }
        index = -1;
        return;
    }
    for (int id = first; id <= last; ++id) {
        if (HWND control = Control(id)) {
            ::SendMessageA(control, BM_SETCHECK, id - first == index ? BST_CHECKED : BST_UNCHECKED,
                           0);
        }
    }
}

void CDataExchange::ListIndex(int id, int& index) {
    HWND control = Control(id);
    if (control == nullptr) {
        return;
    }
    if (m_saving) {
        const LRESULT selected = ::SendMessageA(control, LB_GETCURSEL, 0, 0);
        index = selected == LB_ERR ? -1 : static_cast<int>(selected);
    } else {
        ::SendMessageA(control, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

void CDataExchange::ListText(int id, std::string& value) {
    HWND control = Control(id);
    if (control == nullptr) {
        return;
    }
    if (!m_saving) {
        const LRESULT found = ::SendMessageA(control, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(value.c_str()));
        ::SendMessageA(control, LB_SETCURSEL, found == LB_ERR ? static_cast<WPARAM>(-1) : found, 0);
        return;
    }
    const LRESULT selected = ::SendMessageA(control, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) {
        value.clear();
        return;
    }
    const LRESULT length = ::SendMessageA(control, LB_GETTEXTLEN, selected, 0);
    if (length == LB_ERR) {
        value.clear();
        return;
    }
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    const LRESULT got =
        ::SendMessageA(control, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(buffer.data()));
    value.assign(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

void CDataExchange::Icon(int id, HICON icon) {
    if (m_saving) {
        return;
    }
    if (HWND control = Control(id)) {
        ::SendMessageA(control, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    }
}

void CDataExchange::Fail(int id) noexcept {
    if (m_failedControl == 0) {
        m_failedControl = id;
    }
}

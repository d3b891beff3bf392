#include <gtest/gtest.h>

#include <vector>

#include "platform/com/com.h"

PLATFORM_DEFINE_IID(ICalculator, "5B0C3E1A-8D2F-4A6B-9C1E-2F3A4B5C6D01");
struct ICalculator : IDispatch {
  virtual HRESULT Add(LONG a, LONG b, LONG* sum) = 0;
  virtual HRESULT Join(BSTR first, BSTR second, BSTR* joined) = 0;
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT put_Name(BSTR name) = 0;
  virtual HRESULT get_Running(VARIANT_BOOL* running) = 0;
  virtual HRESULT put_Running(VARIANT_BOOL running) = 0;
  virtual HRESULT get_Item(LONG index, IDispatch** item) = 0;
  virtual HRESULT Describe(VARIANT value, BSTR* description) = 0;
  virtual HRESULT Fail() = 0;
};

BEGIN_DISPATCH_TABLE(ICalculator)
DISPATCH_ENTRY_METHOD(1, "Add", &ICalculator::Add)
DISPATCH_ENTRY_METHOD(2, "Join", &ICalculator::Join)
DISPATCH_ENTRY_GET(3, "Name", &ICalculator::get_Name)
DISPATCH_ENTRY_PUT(3, "Name", &ICalculator::put_Name)
DISPATCH_ENTRY_GET_AS(4, "Running", &ICalculator::get_Running, VT_BOOL)
DISPATCH_ENTRY_PUT(4, "Running", &ICalculator::put_Running)
DISPATCH_ENTRY_GET(5, "Item", &ICalculator::get_Item)
DISPATCH_ENTRY_METHOD(6, "Describe", &ICalculator::Describe)
DISPATCH_ENTRY_METHOD(7, "Fail", &ICalculator::Fail)
END_DISPATCH_TABLE()

namespace {

class ATL_NO_VTABLE Calculator : public CComObjectRootEx<CComMultiThreadModel>, public IDispatchImpl<ICalculator> {
public:
  BEGIN_COM_MAP(Calculator)
  COM_INTERFACE_ENTRY(ICalculator)
  COM_INTERFACE_ENTRY(IDispatch)
  END_COM_MAP()

  HRESULT Add(LONG a, LONG b, LONG* sum) override {
    *sum = a + b;
    return S_OK;
  }
  HRESULT Join(BSTR first, BSTR second, BSTR* joined) override {
    CComBSTR result(first);
    result.Append(CComBSTR(second));
    *joined = result.Detach();
    return S_OK;
  }
  HRESULT get_Name(BSTR* name) override { return m_name.CopyTo(name); }
  HRESULT put_Name(BSTR name) override {
    m_name = name;
    return S_OK;
  }
  HRESULT get_Running(VARIANT_BOOL* running) override {
    *running = m_running;
    return S_OK;
  }
  HRESULT put_Running(VARIANT_BOOL running) override {
    m_running = running;
    return S_OK;
  }
  HRESULT get_Item(LONG, IDispatch** item) override {
    *item = this;
    AddRef();
    return S_OK;
  }
  HRESULT Describe(VARIANT value, BSTR* description) override {
    CComVariant text;
    HRESULT hr = VariantChangeType(&text, &value, 0, VT_BSTR);
    *description = SUCCEEDED(hr) ? text.bstrVal : nullptr;
    text.vt = VT_EMPTY;
    return hr;
  }
  HRESULT Fail() override { return E_INVALIDARG; }

  CComBSTR m_name;
  VARIANT_BOOL m_running = VARIANT_FALSE;
};

// A member that answers its result, as the image control's members do.
struct Control {
  LONG Threshold(LONG image, SHORT level) { return image != 0 && level > 0 ? TRUE : FALSE; }
};

} // namespace

BEGIN_DISPATCH_TABLE(Control)
DISPATCH_ENTRY_FUNCTION(1, "Threshold", &Control::Threshold, VT_BOOL)
END_DISPATCH_TABLE()

namespace {

struct Call {
  HRESULT hr;
  CComVariant result;
  UINT argumentError = 0xFFFFu;
  EXCEPINFO exception{};
};

// Calls by name with the arguments in their written order.
Call Invoke(IDispatch* object, const char16_t* name, WORD flags, std::vector<CComVariant> arguments,
            bool withException = true) {
  Call call;
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  call.hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(call.hr))
    return call;
  std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (flags == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  call.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &call.result,
                           withException ? &call.exception : nullptr, &call.argumentError);
  return call;
}

class Dispatch : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(CComObject<Calculator>::CreateInstance(&m_object), S_OK);
    m_object->AddRef();
  }
  void TearDown() override { m_object->Release(); }
  IDispatch* Object() { return m_object; }
  CComObject<Calculator>* m_object = nullptr;
};

TEST_F(Dispatch, MethodsByNameWithArgumentsInOrderAndResults) {
  Call sum = Invoke(Object(), u"aDD", DISPATCH_METHOD, {2, 40});
  ASSERT_EQ(sum.hr, S_OK);
  EXPECT_EQ(sum.result.vt, VT_I4);
  EXPECT_EQ(sum.result.lVal, 42);
  // Coerced: a text and a fraction (rounded) become numbers.
  Call coerced = Invoke(Object(), u"Add", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {u"2", 3.6});
  EXPECT_EQ(coerced.result.lVal, 6);
  Call joined = Invoke(Object(), u"Join", DISPATCH_METHOD, {u"ab", 12});
  ASSERT_EQ(joined.hr, S_OK);
  EXPECT_EQ(CComBSTR(joined.result.bstrVal), u"ab12");

  BSTR referred = SysAllocString(u"by reference");
  CComVariant reference;
  reference.vt = VT_BYREF | VT_BSTR;
  reference.pbstrVal = &referred;
  Call described = Invoke(Object(), u"Describe", DISPATCH_METHOD, {reference});
  EXPECT_EQ(CComBSTR(described.result.bstrVal), u"by reference");
  reference.vt = VT_EMPTY;
  SysFreeString(referred);

  LPOLESTR names[] = {const_cast<LPOLESTR>(u"Missing")};
  DISPID id = 0;
  EXPECT_EQ(Object()->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
}

TEST_F(Dispatch, PropertiesGetAndPut) {
  ASSERT_EQ(Invoke(Object(), u"name", DISPATCH_PROPERTYPUT, {u"Mixer"}).hr, S_OK);
  EXPECT_EQ(CComBSTR(Invoke(Object(), u"Name", DISPATCH_PROPERTYGET, {}).result.bstrVal), u"Mixer");
  // A put passes the value as given; a get of a VARIANT_BOOL is a boolean.
  ASSERT_EQ(Invoke(Object(), u"Running", DISPATCH_PROPERTYPUT, {1}).hr, S_OK);
  EXPECT_EQ(m_object->m_running, 1);
  Call running = Invoke(Object(), u"Running", DISPATCH_PROPERTYGET, {});
  EXPECT_EQ(running.result.vt, VT_BOOL);
  Call item = Invoke(Object(), u"Item", DISPATCH_PROPERTYGET, {3});
  ASSERT_EQ(item.result.vt, VT_DISPATCH);
  EXPECT_EQ(item.result.pdispVal, Object());
}

TEST_F(Dispatch, FailuresNameTheirCause) {
  Call mismatch = Invoke(Object(), u"Add", DISPATCH_METHOD, {u"x", 1});
  EXPECT_EQ(mismatch.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(mismatch.argumentError, 1u); // the first argument is the last in rgvarg
  Call overflow = Invoke(Object(), u"Add", DISPATCH_METHOD, {1, 1e20});
  EXPECT_EQ(overflow.hr, DISP_E_OVERFLOW);
  EXPECT_EQ(overflow.argumentError, 0u);
  EXPECT_EQ(Invoke(Object(), u"Add", DISPATCH_METHOD, {1}).hr, DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Invoke(Object(), u"Add", DISPATCH_PROPERTYPUT, {1, 2}).hr, DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Invoke(Object(), u"Item", DISPATCH_PROPERTYGET, {}).hr, DISP_E_BADPARAMCOUNT);

  Call failed = Invoke(Object(), u"Fail", DISPATCH_METHOD, {});
  EXPECT_EQ(failed.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(failed.exception.scode, E_INVALIDARG);
  EXPECT_EQ(Invoke(Object(), u"Fail", DISPATCH_METHOD, {}, false).hr, E_INVALIDARG);

  CComVariant argument(1);
  DISPID named = 1;
  DISPPARAMS withName{&argument, &named, 1, 1};
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(Object()->Invoke(7, IID_NULL, 0, DISPATCH_METHOD, &withName, &result, nullptr, nullptr),
            DISP_E_NONAMEDARGS);
  EXPECT_EQ(Object()->Invoke(7, IID_IUnknown, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(Object()->Invoke(99, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  // Results the caller does not want are freed, not leaked.
  CComVariant a(u"a");
  CComVariant b(u"b");
  VARIANT pair[] = {b, a};
  DISPPARAMS two{pair, nullptr, 2, 0};
  EXPECT_EQ(Object()->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &two, nullptr, nullptr, nullptr), S_OK);
}

TEST(DispatchFunction, ValueResultsConvertToTheirType) {
  Control control;
  CComVariant arguments[] = {static_cast<short>(3), 17}; // reversed: level, image
  DISPPARAMS params{arguments, nullptr, 2, 0};
  CComVariant result;
  ASSERT_EQ(Platform::DispatchInvoke(&control, Platform::DispatchTable<Control>::Members(), 1, IID_NULL,
                                     DISPATCH_METHOD, &params, &result, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(result.vt, VT_BOOL);
  EXPECT_EQ(result.boolVal, VARIANT_TRUE);
}

} // namespace

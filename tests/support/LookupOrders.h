#pragma once
// Orders whose customer is a lookup field: ORDERNO and CUSTNO, and CUSTOMER showing the COMPANY
// of the customer whose CUSTNO the order holds. The dataset is created, without records.

#include "platform/db/DBClient.h"

inline TStringField* CreateOrdersWithCustomerLookup(TClientDataSet& AOrders, TDataSet* ACustomers) {
  for (const char* name : {"ORDERNO", "CUSTNO"}) {
    AOrders.FieldDefs().Add(name, ftInteger);
    auto* field = new TIntegerField(&AOrders);
    field->SetFieldName(name);
    field->SetDataSet(&AOrders);
  }
  auto* company = new TStringField(&AOrders);
  company->SetFieldName("CUSTOMER");
  company->SetLookup(true);
  company->KeyFields = "CUSTNO";
  company->LookupKeyFields = "CUSTNO";
  company->LookupResultField = "COMPANY";
  company->SetLookupDataSet(ACustomers);
  company->SetDataSet(&AOrders);
  AOrders.CreateDataSet();
  return company;
}

object Form1: TForm1
  Caption = 'Hello'
  object Label1: TLabel
    Caption = #65'b'
  end
end

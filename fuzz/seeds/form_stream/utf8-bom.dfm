object Form1: TForm1
  Caption = 'Olá'
end
